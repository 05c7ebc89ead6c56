#include "AccountStatements.h"

#include "Template.h"

QString DbSet(QString &src)
{
    src.replace(QStringLiteral("'"), QStringLiteral("''"));
    return src;
}

namespace AccountStatements {

namespace {

// The named markers that the load and the move fill.
TemplateMarkers tableMarkers(const QString &p_val)
{
    return {{QStringLiteral("%tablename"), QStringLiteral("ACCOUNT")},
        {QStringLiteral("%parentkey"), QStringLiteral("P_ACCOUNT_NO")},
        {QStringLiteral("%key"), QStringLiteral("ACCOUNT_NO")}, {QStringLiteral("%p_val"), p_val}};
}

QString withKey(const QString &statementTemplate, const QString &key)
{
    return fillTemplate(statementTemplate, {{QStringLiteral("%1"), key}});
}

// A template whose last marker stands for a number, filled once with a
// stand-in for it and cut where the stand-in stands: a statement of it is
// those pieces joined by its number, the text the whole template gives.
// The load and the delete fill one for every row. A number written as a
// whole number's own decimal text also gives the shape, so that the bound
// number reads back as that very text.
class NumberedTemplate {
public:
    NumberedTemplate(const QString &statementTemplate, TemplateMarkers markers)
    {
        const QChar standIn(0xFFFF); // a noncharacter: in no template
        markers.back().second = standIn;
        m_pieces = fillTemplate(statementTemplate, markers).split(standIn);
        m_shape = m_pieces.join(u'?');
    }

    Statement operator()(const QString &number) const
    {
        bool whole = false;
        const qint64 value = number.toLongLong(&whole);
        if (!whole || QString::number(value) != number)
            return Statement(m_pieces.join(number));
        return Statement(m_pieces, m_shape, value);
    }

    Statement operator()(qint64 number) const { return Statement(m_pieces, m_shape, number); }

private:
    QStringList m_pieces;
    QString m_shape;
};

NumberedTemplate withNumber(const QString &statementTemplate)
{
    return NumberedTemplate(statementTemplate, {{QStringLiteral("%1"), QString()}});
}

QString quoted(QString value)
{
    return DbSet(value);
}

} // namespace

Statement children(qint32 parentKey)
{
    static const NumberedTemplate statement(
        QStringLiteral("SELECT * FROM %tablename WHERE %parentkey = %p_val ORDER BY %key"),
        tableMarkers(QString()));
    return statement(qint64(parentKey));
}

QString readRow(const QString &key)
{
    return withKey(QStringLiteral("select * from ACCOUNT where ACCOUNT_no= %1"), key);
}

Statement deleteRow(const QString &key)
{
    static const auto statement
        = withNumber(QStringLiteral("Delete from ACCOUNT where ACCOUNT_no= %1"));
    return statement(key);
}

Statement childKeys(const QString &key)
{
    static const auto statement = withNumber(
        QStringLiteral("select ACCOUNT_NO,P_ACCOUNT_NO from ACCOUNT where P_ACCOUNT_NO= %1"));
    return statement(key);
}

QString move(const QString &targetKey, const QString &draggedKey)
{
    TemplateMarkers markers = tableMarkers(targetKey);
    markers.emplace_back(QStringLiteral("%val"), draggedKey);
    return fillTemplate(
        QStringLiteral("UPDATE %tablename SET %parentkey = %p_val WHERE %key = %val"), markers);
}

QString renameLabel(const QString &label, const QString &key)
{
    return QStringLiteral("UPDATE ACCOUNT SET NAME='") + quoted(label)
        + QStringLiteral("' WHERE ACCOUNT_NO=") + key;
}

QString insertFolder(const QString &parentKey, const QString &name)
{
    return QStringLiteral("INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME) VALUES( ") + parentKey
        + QStringLiteral(" ,'F','") + name + QStringLiteral("')");
}

QString renameFolder(const QString &name, const QString &key)
{
    return fillTemplate(QStringLiteral("UPDATE ACCOUNT SET NAME='%1' where ACCOUNT_NO= %2 "),
        {{QStringLiteral("%1"), name}, {QStringLiteral("%2"), key}});
}

// The column list and the values follow the same pairs, and HTML_SIG, which
// no box edits, comes right after TEXT_SIG in both.
QString insertAccount(
    const QString &parentKey, const AccountValues &values, HtmlSignature htmlSignature)
{
    const QString signatureColumn = QStringLiteral("TEXT_SIG");
    QString columns = QStringLiteral("INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND");
    QString row = QStringLiteral(" VALUES( '") + parentKey + QStringLiteral("', 'A', '");
    for (size_t i = 0; i < values.size(); ++i) {
        const auto &[column, value] = values[i];
        columns += u',' + column;
        row += quoted(value);
        if (column == signatureColumn) {
            columns += QStringLiteral(",HTML_SIG");
            // The pieces that close the signature and hold HTML_SIG's value.
            row += QStringLiteral("','")
                + (htmlSignature == HtmlSignature::Added ? QStringLiteral("' ,'")
                                                         : QStringLiteral(" ' ,'"));
        } else {
            row += i + 1 < values.size() ? QStringLiteral("','") : QStringLiteral("')");
        }
    }
    return columns + QStringLiteral(") ") + row;
}

// No blanks around the first "=", one on each side of the others, and
// "where" right after the last value's quote.
QString updateAccount(const AccountValues &values, const QString &key)
{
    QString statement = QStringLiteral("UPDATE ACCOUNT SET ");
    for (size_t i = 0; i < values.size(); ++i) {
        const auto &[column, value] = values[i];
        statement += i == 0 ? column + QStringLiteral("='")
                            : QStringLiteral(", ") + column + QStringLiteral(" = '");
        statement += quoted(value) + u'\'';
    }
    return statement + QStringLiteral("where ACCOUNT_NO= ") + key;
}

QString newAccountKey()
{
    return QStringLiteral("select max(ACCOUNT_NO) from ACCOUNT");
}

QString newCopyOrFolderKey()
{
    return QStringLiteral("select max(ACCOUNT_no) from ACCOUNT");
}

} // namespace AccountStatements
