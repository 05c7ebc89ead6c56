#include "TreeFloor.h"

#include "FloorConnection.h"

#include "store/DbError.h"
#include "ui/ImageList.h"
#include "ui/Images.h"

#include <QHash>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTreeWidget>

namespace {

struct Look {
    QColor colour;
    QString image;
    QString expandedImage;
};

const Look rootLook {QColor(200, 160, 50), QStringLiteral("root"), QStringLiteral("root")};
const Look folderLook {QColor(0, 0, 255), QStringLiteral("close"), QStringLiteral("open")};
const Look accountLook {QColor(0, 80, 0), QStringLiteral("account"), QString()};

QTreeWidgetItem *makeItem(
    const QString &key, const QString &text, const Look &look, const ImageList &images)
{
    auto *item = new QTreeWidgetItem(QStringList {text});
    item->setData(0, Qt::UserRole, key);
    QFont font = item->font(0);
    font.setBold(false);
    font.setPointSizeF(10);
    item->setFont(0, font);
    item->setForeground(0, look.colour);
    item->setIcon(0, images.icon(look.image));
    return item;
}

struct Placed {
    QTreeWidgetItem *item;
    bool folder;
};

// Rows come in key order, so a parent is always placed before its children.
void readInto(const FloorConnection &connection, QTreeWidgetItem *root, const ImageList &images)
{
    QHash<qint32, Placed> byKey {{0, {root, false}}};
    QSqlQuery query(connection.database());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT * FROM ACCOUNT")))
        throw DbError(QStringLiteral("tree floor: the query failed"));
    const QSqlRecord record = query.record();
    const int keyAt = record.indexOf(QStringLiteral("ACCOUNT_NO"));
    const int parentAt = record.indexOf(QStringLiteral("P_ACCOUNT_NO"));
    const int kindAt = record.indexOf(QStringLiteral("KIND"));
    const int nameAt = record.indexOf(QStringLiteral("NAME"));
    while (query.next()) {
        const auto parent = byKey.constFind(query.value(parentAt).toInt());
        const QString kind = query.value(kindAt).toString();
        if (parent == byKey.cend() || (kind != u"F" && kind != u"A"))
            continue;
        const qint32 key = query.value(keyAt).toInt();
        const bool folder = kind == u"F";
        QTreeWidgetItem *item = makeItem(QString::number(key), query.value(nameAt).toString(),
            folder ? folderLook : accountLook, images);
        QTreeWidgetItem *above = parent->item;
        if (parent->folder && !above->isExpanded())
            above->setIcon(0, images.icon(folderLook.expandedImage));
        above->addChild(item);
        above->setExpanded(true);
        byKey.insert(key, {item, folder});
    }
}

} // namespace

std::unique_ptr<QTreeWidget> treeFloor(const QString &connectionString)
{
    const ImageList images = treeImages();
    const FloorConnection connection(connectionString, QStringLiteral("tx_bench.treeFloor"));
    auto tree = std::make_unique<QTreeWidget>();
    tree->setHeaderHidden(true);
    tree->setUniformRowHeights(true);
    tree->setIconSize(images.imageSize());
    tree->setUpdatesEnabled(false);
    QTreeWidgetItem *root
        = makeItem(QStringLiteral("0"), QStringLiteral("ｱｶｳﾝﾄ"), rootLook, images);
    tree->addTopLevelItem(root);
    readInto(connection, root, images);
    tree->scrollToItem(root, QAbstractItemView::PositionAtTop);
    tree->setUpdatesEnabled(true);
    return tree;
}
