#include "TreeModel.h"

#include "browser/SSTree.h"
#include "browser/TreeError.h"

namespace {

[[noreturn]] void fail(const char *description)
{
    throw TreeError(QString::fromUtf8(description));
}

bool sameText(const KeyText &a, const KeyText &b)
{
    return a.isNumber() == b.isNumber()
        && (a.isNumber() ? a.number() == b.number() : a.text() == b.text());
}

} // namespace

TreeModel::TreeModel(SSTree *tree)
    : QAbstractItemModel(tree)
    , m_tree(tree)
    , m_byNumber(&TreeModel::keyOfSlot, this)
{
    newSlot();
}

TreeModel::~TreeModel() = default;

SSNode *TreeModel::newSlot()
{
    if (m_used == m_blocks.size() * blockSize)
        m_blocks.push_back(std::make_unique<SSNode[]>(blockSize));
    SSNode *node = slot(m_used);
    node->m_model = this;
    node->m_slot = m_used++;
    return node;
}

SSNode *TreeModel::add(
    SSNode *parent, int row, const KeyText &key, const QString &text, const KeyText &markerText)
{
    SSNode *holder = holderOf(parent);
    if (row < 0 || size_t(row) > holder->m_children.size())
        fail("Invalid position");
    const bool tell = !m_suspended;
    if (tell)
        beginInsertRows(indexOf(parent), row, row);
    SSNode *node = newSlot();
    node->m_alive = true;
    node->m_text = m_texts.keep(text);
    node->m_textSize = quint32(text.size());
    node->m_parent = holder->m_slot;
    setKey(node, key);
    setMarker(node, key, markerText);
    holder->m_children.insert(size_t(row), node->m_slot);
    renumber(holder, size_t(row));
    ++m_count;
    if (tell)
        endInsertRows();
    return node;
}

void TreeModel::setKey(SSNode *node, const KeyText &key)
{
    if (key.isNumber()) {
        node->m_key = key.number();
        m_byNumber.insert(key.number(), node->m_slot);
        return;
    }
    node->m_textKey = true;
    m_textKeys.insert(node->m_slot, key.text());
    m_byText.insert(key.text(), node->m_slot);
}

// A folder's marker is "0" and an account's at the load its own key: the
// node keeps which, and only another text as text.
void TreeModel::setMarker(SSNode *node, const KeyText &key, const KeyText &markerText)
{
    if (markerText.isEmpty()) {
        node->m_marker = SSNode::Marker::None;
    } else if (markerText.isNumber() && markerText.number() == 0) {
        node->m_marker = SSNode::Marker::Zero;
    } else if (sameText(markerText, key)) {
        node->m_marker = SSNode::Marker::Key;
    } else {
        node->m_marker = SSNode::Marker::Other;
        m_markers.insert(node->m_slot, markerText.text());
    }
}

qint64 TreeModel::keyOfSlot(const void *model, quint32 number)
{
    return static_cast<const TreeModel *>(model)->slot(number)->m_key;
}

void TreeModel::renumber(SSNode *holder, size_t from)
{
    for (size_t row = from; row < holder->m_children.size(); ++row)
        slot(holder->m_children[row])->m_row = quint32(row);
}

void TreeModel::remove(SSNode *node)
{
    SSNode *holder = slot(node->m_parent);
    const int row = int(node->m_row);
    const bool tell = !m_suspended;
    if (tell)
        beginRemoveRows(indexOf(parentOf(node)), row, row);
    for (SSNode *gone : subtree(node))
        forget(gone);
    holder->m_children.erase(size_t(row));
    renumber(holder, size_t(row));
    if (tell)
        endRemoveRows();
}

// What a removed node held goes at once; its record stays, dead, until
// the tree is cleared, so that a node kept too long names no other node.
void TreeModel::forget(SSNode *node)
{
    node->m_alive = false;
    --m_count;
    if (node->m_textKey)
        m_byText.remove(m_textKeys.take(node->m_slot));
    else
        m_byNumber.remove(node->m_key);
    if (node->m_marker == SSNode::Marker::Other)
        m_markers.remove(node->m_slot);
    m_texts.release(node->m_text);
    node->m_text = nullptr;
    node->m_textSize = 0;
    node->m_children.clear();
    node->m_parent = 0;
}

void TreeModel::move(SSNode *node, SSNode *newParent, int row)
{
    SSNode *from = slot(node->m_parent);
    SSNode *to = holderOf(newParent);
    const int oldRow = int(node->m_row);
    const int last = int(to->m_children.size()) - (from == to ? 1 : 0);
    const int newRow = row < 0 || row > last ? last : row;
    if (from == to && newRow == oldRow)
        return;
    // The view counts the destination's rows before the node leaves them.
    const int before = from == to && newRow > oldRow ? newRow + 1 : newRow;
    const bool tell = !m_suspended;
    if (tell && !beginMoveRows(indexOf(parentOf(node)), oldRow, oldRow, indexOf(newParent), before))
        fail("A node cannot be moved beneath itself");
    from->m_children.erase(size_t(oldRow));
    renumber(from, size_t(oldRow));
    node->m_parent = to->m_slot;
    to->m_children.insert(size_t(newRow), node->m_slot);
    renumber(to, size_t(newRow));
    if (tell)
        endMoveRows();
}

void TreeModel::clear()
{
    const bool tell = !m_suspended;
    if (tell)
        beginResetModel();
    m_blocks.clear();
    m_texts.clear();
    m_used = 0;
    m_count = 0;
    m_byNumber.clear();
    m_byText.clear();
    m_textKeys.clear();
    m_markers.clear();
    newSlot();
    if (tell)
        endResetModel();
}

SSNode *TreeModel::find(const KeyText &key) const
{
    const quint32 number
        = key.isNumber() ? m_byNumber.find(key.number()) : m_byText.value(key.text());
    return number ? slot(number) : nullptr;
}

// Without a removal since the last clear, the position is the slot; after
// one, the living slots are counted from the nearer end.
SSNode *TreeModel::created(int position) const
{
    if (quint32(m_count) + 1 == m_used)
        return slot(quint32(position));
    const bool fromEnd = position > m_count / 2;
    int seen = fromEnd ? m_count + 1 : 0;
    for (quint32 number = fromEnd ? m_used - 1 : 1;; fromEnd ? --number : ++number) {
        if (!slot(number)->m_alive)
            continue;
        seen += fromEnd ? -1 : 1;
        if (seen == position)
            return slot(number);
    }
}

SSNode *TreeModel::child(const SSNode *parent, int row) const
{
    const SSNode *holder = holderOf(parent);
    if (row < 0 || size_t(row) >= holder->m_children.size())
        return nullptr;
    return slot(holder->m_children[size_t(row)]);
}

int TreeModel::childCount(const SSNode *parent) const
{
    return int(holderOf(parent)->m_children.size());
}

SSNode *TreeModel::parentOf(const SSNode *node) const
{
    return node->m_parent ? slot(node->m_parent) : nullptr;
}

// Breadth first over a growing list: a tree may be thousands of levels deep.
std::vector<SSNode *> TreeModel::subtree(SSNode *node) const
{
    std::vector<SSNode *> nodes {node};
    for (size_t i = 0; i < nodes.size(); ++i)
        for (const quint32 child : nodes[i]->m_children)
            nodes.push_back(slot(child));
    return nodes;
}

QString TreeModel::keyText(const SSNode *node) const
{
    return node->m_textKey ? m_textKeys.value(node->m_slot) : QString::number(node->m_key);
}

QString TreeModel::markerText(const SSNode *node) const
{
    switch (node->m_marker) {
    case SSNode::Marker::None:
        break;
    case SSNode::Marker::Zero:
        return QStringLiteral("0");
    case SSNode::Marker::Key:
        return keyText(node);
    case SSNode::Marker::Other:
        return m_markers.value(node->m_slot);
    }
    return QString();
}

QIcon TreeModel::iconOf(const SSNode *node) const
{
    const bool open = node->m_expandedImage != 0 && node->m_expanded;
    return m_looks.icon(open ? node->m_expandedImage : node->m_image);
}

QModelIndex TreeModel::indexOf(const SSNode *node) const
{
    return node && node->m_alive ? createIndex(int(node->m_row), 0, quintptr(node->m_slot))
                                 : QModelIndex();
}

SSNode *TreeModel::nodeOf(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this || index.internalId() >= m_used)
        return nullptr;
    SSNode *node = slot(quint32(index.internalId()));
    return node->m_alive ? node : nullptr;
}

void TreeModel::setText(SSNode *node, QStringView text)
{
    const char16_t *old = node->m_text;
    node->m_text = m_texts.keep(text);
    node->m_textSize = quint32(text.size());
    m_texts.release(old);
    changed(node);
}

void TreeModel::changed(SSNode *node)
{
    if (m_suspended || !node->m_alive)
        return;
    const QModelIndex index = indexOf(node);
    Q_EMIT dataChanged(index, index);
}

void TreeModel::setExpandedFlag(SSNode *node, bool expanded)
{
    if (!node || node->m_expanded == expanded)
        return;
    node->m_expanded = expanded;
    if (node->m_expandedImage != 0)
        changed(node);
}

void TreeModel::suspend()
{
    if (m_suspended)
        return;
    beginResetModel();
    m_suspended = true;
}

void TreeModel::resume()
{
    if (!m_suspended)
        return;
    m_suspended = false;
    endResetModel();
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || (parent.isValid() && parent.column() != 0))
        return QModelIndex();
    const SSNode *holder = parent.isValid() ? nodeOf(parent) : top();
    if (!holder || row < 0 || size_t(row) >= holder->m_children.size())
        return QModelIndex();
    return createIndex(row, 0, quintptr(holder->m_children[size_t(row)]));
}

QModelIndex TreeModel::parent(const QModelIndex &child) const
{
    const SSNode *node = nodeOf(child);
    return node ? indexOf(parentOf(node)) : QModelIndex();
}

int TreeModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return childCount(nullptr);
    const SSNode *node = nodeOf(parent);
    return node && parent.column() == 0 ? childCount(node) : 0;
}

int TreeModel::columnCount(const QModelIndex &) const
{
    return 1;
}

QVariant TreeModel::data(const QModelIndex &index, int role) const
{
    const SSNode *node = nodeOf(index);
    if (!node)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return node->text();
    case Qt::DecorationRole:
        if (const QIcon icon = iconOf(node); !icon.isNull())
            return icon;
        break;
    case Qt::UserRole:
        return keyText(node);
    case Qt::FontRole:
        return m_looks.fontData(node->m_font);
    case Qt::ForegroundRole:
        return m_looks.brushData(node->m_foreColor);
    case Qt::AccessibleDescriptionRole:
        // What a screen reader says of the node, told as the window tells it.
        return !node->m_textKey && node->m_key == 0         ? QStringLiteral("ルート")
            : m_looks.imageKey(node->m_image) == u"account" ? QStringLiteral("アカウント")
                                                            : QStringLiteral("フォルダ");
    }
    return QVariant();
}

bool TreeModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    SSNode *node = nodeOf(index);
    if (!node || (role != Qt::EditRole && role != Qt::DisplayRole))
        return false;
    setText(node, value.toString());
    return true;
}

Qt::ItemFlags TreeModel::flags(const QModelIndex &index) const
{
    if (!nodeOf(index))
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}
