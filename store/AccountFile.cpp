#include "AccountFile.h"

#include "Failure.h"
#include "Schema.h"
#include "StoredValue.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>

#include <optional>

namespace AccountFile {
namespace {

const QString keyColumn = QStringLiteral("ACCOUNT_NO");
const QString parentColumn = QStringLiteral("P_ACCOUNT_NO");

// One entry as the file gives it.
struct Entry {
    qint64 id = 0;
    std::optional<qint64> parent;
    StoredRow values;
};

QJsonValue jsonOf(const QVariant &value)
{
    if (value.isNull())
        return QJsonValue::Null;
    if (isRawText(value))
        return QJsonObject {{QLatin1String("textBytes"),
            QString::fromLatin1(value.value<RawText>().bytes.toBase64())}};
    switch (value.metaType().id()) {
    case QMetaType::QByteArray:
        return QJsonObject {
            {QLatin1String("blob"), QString::fromLatin1(value.toByteArray().toBase64())}};
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return value.toLongLong();
    case QMetaType::Double:
        // A bare 3.0 would come back as the whole number 3.
        return QJsonObject {{QLatin1String("real"), value.toDouble()}};
    default:
        return value.toString();
    }
}

// The parser keeps a number written without a fraction that fits in 64 bits
// as a whole number.
bool isWhole(const QJsonValue &value)
{
    return value.toVariant().typeId() == QMetaType::LongLong;
}

std::optional<QByteArray> base64(const QJsonValue &value)
{
    if (!value.isString())
        return std::nullopt;
    auto decoded = QByteArray::fromBase64Encoding(
        value.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? std::optional(*decoded) : std::nullopt;
}

// Null when the file's value is none of the kinds a column may hold.
std::optional<QVariant> valueOf(const QJsonValue &json)
{
    if (json.isNull())
        return QVariant(QMetaType::fromType<QString>());
    if (json.isString())
        return json.toString().isValidUtf16() ? std::optional(QVariant(json.toString()))
                                              : std::nullopt;
    if (isWhole(json))
        return QVariant(json.toInteger());
    const QJsonObject tagged = json.toObject();
    if (!json.isObject() || tagged.size() != 1)
        return std::nullopt;
    const QString tag = tagged.constBegin().key();
    const QJsonValue inner = tagged.constBegin().value();
    if (tag == u"real" && inner.isDouble())
        return QVariant(inner.toDouble());
    const std::optional<QByteArray> bytes = base64(inner);
    if (bytes && tag == u"blob")
        return QVariant(*bytes);
    if (bytes && tag == u"textBytes")
        return QVariant::fromValue(RawText {*bytes});
    return std::nullopt;
}

// The table's own columns in the order its statements name them, then any
// others the file carries.
StoredRow inTableOrder(StoredRow row)
{
    StoredRow ordered;
    for (const QString &column : accountColumns()) {
        if (row.columns.contains(column)) {
            ordered.setValue(column, row.value(column));
            row.remove(column);
        }
    }
    ordered.columns << row.columns;
    ordered.values << row.values;
    return ordered;
}

StoredRow valuesOf(const QJsonValue &json, const QString &where)
{
    if (!json.isObject())
        throw Failure(QStringLiteral("%1: values がオブジェクトではありません。").arg(where));
    static const QRegularExpression name(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]{0,63}$"));
    StoredRow row;
    const QJsonObject values = json.toObject();
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        const QString column = it.key().toUpper();
        if (!name.match(it.key()).hasMatch() || column == keyColumn || column == parentColumn)
            throw Failure(QStringLiteral("%1: 列名「%2」は使えません。").arg(where, it.key()));
        if (row.columns.contains(column))
            throw Failure(QStringLiteral("%1: 列「%2」が二度あります。").arg(where, column));
        const std::optional<QVariant> value = valueOf(it.value());
        if (!value)
            throw Failure(
                QStringLiteral("%1: 列「%2」の値の型が正しくありません。").arg(where, it.key()));
        row.setValue(column, *value);
    }
    // Without its kind a row is neither a folder nor an account.
    if (row.value(QStringLiteral("KIND")).isNull())
        throw Failure(QStringLiteral("%1: 列 KIND がありません。").arg(where));
    return inTableOrder(std::move(row));
}

QString place(qsizetype index)
{
    return QStringLiteral("%1 番目の項目").arg(index + 1);
}

Entry entryOf(const QJsonValue &json, qsizetype index)
{
    QString where = place(index);
    const QJsonObject object = json.toObject();
    if (!json.isObject())
        throw Failure(QStringLiteral("%1: 項目がオブジェクトではありません。").arg(where));
    const QJsonValue id = object.value(QLatin1String("id"));
    if (!isWhole(id))
        throw Failure(QStringLiteral("%1: id が整数ではありません。").arg(where));
    Entry entry;
    entry.id = id.toInteger();
    where += QStringLiteral(" (id %1)").arg(entry.id);
    const QJsonValue parent = object.value(QLatin1String("parent"));
    if (isWhole(parent))
        entry.parent = parent.toInteger();
    else if (!parent.isNull() && !parent.isUndefined())
        throw Failure(QStringLiteral("%1: parent が整数でも null でもありません。").arg(where));
    entry.values = valuesOf(object.value(QLatin1String("values")), where);
    return entry;
}

std::vector<Entry> entriesOf(const QJsonArray &array)
{
    std::vector<Entry> entries;
    QHash<qint64, qsizetype> positions;
    for (qsizetype i = 0; i < array.size(); ++i) {
        Entry entry = entryOf(array.at(i), i);
        if (const auto seen = positions.constFind(entry.id); seen != positions.constEnd())
            throw Failure(QStringLiteral("%1: id %2 は %3と重なっています。")
                              .arg(place(i))
                              .arg(entry.id)
                              .arg(place(*seen)));
        positions.insert(entry.id, i);
        entries.push_back(std::move(entry));
    }
    for (qsizetype i = 0; i < qsizetype(entries.size()); ++i)
        if (entries[i].parent && !positions.contains(*entries[i].parent))
            throw Failure(QStringLiteral("%1 (id %2): 親の id %3 がファイルの中にありません。")
                              .arg(place(i))
                              .arg(entries[i].id)
                              .arg(*entries[i].parent));
    return entries;
}

// Depth first, so that every parent is placed before its children, with a
// stack of its own so that no chain of entries can overflow the native one.
// An entry never placed is on a cycle of parents.
Contents ordered(std::vector<Entry> entries)
{
    QHash<qint64, qsizetype> positions;
    for (qsizetype i = 0; i < qsizetype(entries.size()); ++i)
        positions.insert(entries[i].id, i);
    std::vector<std::vector<qsizetype>> children(entries.size());
    struct Step {
        qsizetype entry;
        qsizetype parent;
        int depth;
    };
    std::vector<Step> stack;
    for (qsizetype i = qsizetype(entries.size()) - 1; i >= 0; --i)
        if (entries[i].parent)
            children[positions.value(*entries[i].parent)].push_back(i);
        else
            stack.push_back({i, -1, 1});
    Contents contents;
    std::vector<bool> placed(entries.size(), false);
    while (!stack.empty()) {
        const Step step = stack.back();
        stack.pop_back();
        placed[step.entry] = true;
        const qsizetype at = qsizetype(contents.rows.size());
        contents.rows.push_back(std::move(entries[step.entry].values));
        contents.parents.push_back(step.parent);
        contents.depth = std::max(contents.depth, step.depth);
        // Pushed last to first: they come off the stack in the file's order.
        for (const qsizetype child : children[step.entry])
            stack.push_back({child, at, step.depth + 1});
    }
    for (qsizetype i = 0; i < qsizetype(entries.size()); ++i)
        if (!placed[i])
            throw Failure(
                QStringLiteral("%1 (id %2): 親をたどると自分に戻ります（循環しています）。")
                    .arg(place(i))
                    .arg(entries[i].id));
    return contents;
}

QString parseProblem(const QByteArray &json, const QJsonParseError &error)
{
    if (error.offset >= json.trimmed().size())
        return QStringLiteral("ファイルが途中で切れています。");
    return QStringLiteral("ファイルが壊れています（%1 行目: %2）。")
        .arg(json.left(error.offset).count('\n') + 1)
        .arg(error.errorString());
}

QString summary(const std::vector<StoredRow> &rows, const QString &done)
{
    qsizetype folders = 0;
    qsizetype accounts = 0;
    for (const StoredRow &row : rows) {
        const QString kind = row.value(QStringLiteral("KIND")).toString();
        folders += kind == u"F";
        accounts += kind == u"A";
    }
    QString text = QStringLiteral("フォルダ %1 件、アカウント %2 件").arg(folders).arg(accounts);
    if (const qsizetype others = qsizetype(rows.size()) - folders - accounts)
        text += QStringLiteral("、その他の行 %1 件").arg(others);
    return text + QStringLiteral("を%1。").arg(done);
}

} // namespace

QByteArray toJson(const std::vector<StoredRow> &rows, bool withPasswords)
{
    QSet<qint64> ids;
    for (const StoredRow &row : rows)
        ids.insert(wholeNumber(row.value(keyColumn)));
    QJsonArray entries;
    for (size_t i = 0; i < rows.size(); ++i) {
        StoredRow row = rows[i];
        const qint64 id = wholeNumber(row.value(keyColumn));
        const QVariant parent = row.value(parentColumn);
        const bool parentInFile = i > 0 && ids.contains(parent.toLongLong());
        row.remove(keyColumn);
        row.remove(parentColumn);
        if (!withPasswords)
            row.remove(QStringLiteral("PSWD"));
        QJsonObject values;
        for (qsizetype column = 0; column < row.columns.size(); ++column)
            values.insert(row.columns.at(column), jsonOf(row.values.at(column)));
        entries.append(QJsonObject {{QLatin1String("id"), id},
            {QLatin1String("parent"),
                parentInFile ? QJsonValue(parent.toLongLong()) : QJsonValue()},
            {QLatin1String("values"), values}});
    }
    // The object's keys come out sorted: these two before "rows".
    const QJsonObject file = {{QLatin1String("format"), QLatin1String(formatName)},
        {QLatin1String("formatVersion"), formatVersion}, {QLatin1String("rows"), entries}};
    return QJsonDocument(file).toJson(QJsonDocument::Indented);
}

Contents fromJson(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw Failure(parseProblem(json, error));
    const QJsonObject file = document.object();
    if (file.value(QLatin1String("format")).toString() != QLatin1String(formatName))
        throw Failure(QStringLiteral("アカウント設定のファイルではありません（format が「%1」で"
                                     "はありません）。")
                          .arg(QLatin1String(formatName)));
    const QJsonValue version = file.value(QLatin1String("formatVersion"));
    if (!isWhole(version) || version.toInteger() < 1)
        throw Failure(QStringLiteral("formatVersion が 1 以上の整数ではありません。"));
    if (version.toInteger() > formatVersion)
        throw Failure(QStringLiteral("新しい版のファイルです（版 %1。読み込めるのは版 %2 までで"
                                     "す）。")
                          .arg(version.toInteger())
                          .arg(formatVersion));
    const QJsonValue rows = file.value(QLatin1String("rows"));
    if (!rows.isArray())
        throw Failure(QStringLiteral("rows が配列ではありません。"));
    if (rows.toArray().size() > maxRows)
        throw Failure(QStringLiteral("項目が多すぎます（%1 個。読み込めるのは %2 個までです）。")
                          .arg(rows.toArray().size())
                          .arg(maxRows));
    return ordered(entriesOf(rows.toArray()));
}

void save(const QString &path, const std::vector<StoredRow> &rows, bool withPasswords)
{
    const QByteArray json = toJson(rows, withPasswords);
    QSaveFile file(path);
    const auto refuse = [&] {
        throw Failure(
            QStringLiteral("「%1」に書き出せません（%2）。").arg(path, file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly))
        refuse();
    // Before a byte is written, so that no one else ever reads the passwords.
    if (withPasswords && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        refuse();
    if (file.write(json) != json.size() || !file.commit())
        refuse();
}

Contents load(const QString &path)
{
    const auto refuse = [&](const QString &problem) {
        return Failure(QStringLiteral("「%1」を読み込めません。\n%2").arg(path, problem));
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw refuse(QStringLiteral("ファイルを開けません（%1）。").arg(file.errorString()));
    // Read only so far, whatever the file claims its size is.
    const QByteArray json = file.read(maxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        throw refuse(QStringLiteral("ファイルを読めません（%1）。").arg(file.errorString()));
    if (json.size() > maxFileBytes)
        throw refuse(QStringLiteral("ファイルが大きすぎます（読み込めるのは %1 MiB までです）。")
                         .arg(maxFileBytes / (1024 * 1024)));
    try {
        return fromJson(json);
    } catch (const Failure &failure) {
        throw refuse(failure.description());
    }
}

QString exportedSummary(const std::vector<StoredRow> &rows)
{
    return summary(rows, QStringLiteral("書き出しました"));
}

QString importedSummary(const std::vector<StoredRow> &rows)
{
    return summary(rows, QStringLiteral("読み込みました"));
}

} // namespace AccountFile
