#include "AccountImport.h"

#include "AccountStatements.h"
#include "Connection.h"
#include "Failure.h"
#include "Recordset.h"

namespace Statements = AccountStatements;

namespace {

// Whether the folder is there; a row of another kind takes no rows.
bool folderIsStored(Connection &db, qint64 key)
{
    const auto row = db.execute(Statements::readRow(QString::number(key)));
    if (row->isEOF())
        return false;
    if (row->text(QStringLiteral("KIND")) != u"F")
        throw Failure(QStringLiteral("キー %1 の行はフォルダではありません。").arg(key));
    row->close();
    return true;
}

} // namespace

std::optional<std::vector<qint64>> importRows(
    Connection &db, const QString &parentKey, const AccountFile::Contents &contents)
{
    const qint64 under = wholeNumber(parentKey);
    std::optional<std::vector<qint64>> keys;
    db.inTransaction([&] {
        if (under != 0 && !folderIsStored(db, under))
            return;
        keys.emplace();
        for (size_t i = 0; i < contents.rows.size(); ++i) {
            const qsizetype parent = contents.parents[i];
            StoredRow row {
                {QStringLiteral("P_ACCOUNT_NO")}, {parent < 0 ? under : keys->at(parent)}};
            row.columns << contents.rows[i].columns;
            row.values << contents.rows[i].values;
            db.execute(insertStatement(row));
            keys->push_back(wholeNumber(db.execute(Statements::newAccountKey())->value(0)));
        }
    });
    return keys;
}
