#include "SqlLog.h"

#include <QList>

#include <algorithm>

#include <optional>

Q_LOGGING_CATEGORY(lcSql, "tx_account.sql", QtWarningMsg)

namespace {

struct Token {
    enum Kind { Word, Literal, Symbol } kind;
    qsizetype start;
    qsizetype length;
};

using Tokens = QList<Token>;
using Item = QList<qsizetype>; // indexes into Tokens

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

// Values reach a statement only as single-quoted literals with doubled quotes
// (the sessions turn backslash escapes off), or as bytes, X'..', so this is all
// the lexing needed.
qsizetype literalEnd(const QString &text, qsizetype from)
{
    qsizetype i = from + 1;
    while (i < text.size()) {
        if (text.at(i) != u'\'')
            ++i;
        else if (i + 1 < text.size() && text.at(i + 1) == u'\'')
            i += 2;
        else
            return i + 1;
    }
    return i;
}

Tokens tokenize(const QString &text)
{
    Tokens tokens;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        qsizetype end = i + 1;
        Token::Kind kind = Token::Symbol;
        const bool bytes
            = (c == u'X' || c == u'x') && i + 1 < text.size() && text.at(i + 1) == u'\'';
        if (c == u'\'' || bytes) {
            kind = Token::Literal;
            end = literalEnd(text, bytes ? i + 1 : i);
        } else if (isWordChar(c)) {
            kind = Token::Word;
            while (end < text.size() && isWordChar(text.at(end)))
                ++end;
        }
        if (!c.isSpace())
            tokens.append({kind, i, end - i});
        i = end;
    }
    return tokens;
}

class Statement {
public:
    explicit Statement(const QString &text)
        : m_text(text)
        , m_tokens(tokenize(text))
    {
    }

    QString masked() const
    {
        QList<qsizetype> secrets = assignedPasswords() + insertedPasswords();
        std::sort(secrets.begin(), secrets.end());
        QString out = m_text;
        for (auto it = secrets.crbegin(); it != secrets.crend(); ++it) {
            const Token &token = m_tokens.at(*it);
            out.replace(token.start, token.length, QStringLiteral("'********'"));
        }
        return out;
    }

private:
    bool is(qsizetype i, Token::Kind kind, QStringView text = {}) const
    {
        if (i < 0 || i >= m_tokens.size() || m_tokens.at(i).kind != kind)
            return false;
        const Token &token = m_tokens.at(i);
        return text.isNull()
            || QStringView(m_text).mid(token.start, token.length).compare(text, Qt::CaseInsensitive)
            == 0;
    }

    bool isPasswordColumn(qsizetype i) const { return is(i, Token::Word, u"PSWD"); }

    // PSWD = '...'
    QList<qsizetype> assignedPasswords() const
    {
        QList<qsizetype> found;
        for (qsizetype i = 0; i + 2 < m_tokens.size(); ++i)
            if (isPasswordColumn(i) && is(i + 1, Token::Symbol, u"=") && is(i + 2, Token::Literal))
                found << i + 2;
        return found;
    }

    // INSERT INTO t(..., PSWD, ...) VALUES(..., '...', ...), (...)
    QList<qsizetype> insertedPasswords() const
    {
        QList<qsizetype> found;
        qsizetype values = 0;
        while (values < m_tokens.size() && !is(values, Token::Word, u"VALUES"))
            ++values;
        const std::optional<qsizetype> column = passwordColumn(values);
        if (!column)
            return found;
        for (qsizetype open = values + 1; is(open, Token::Symbol, u"(");) {
            qsizetype close = open;
            const QList<Item> row = items(open, close);
            if (*column < row.size() && row.at(*column).size() == 1
                && is(row.at(*column).constFirst(), Token::Literal))
                found << row.at(*column).constFirst();
            open = is(close + 1, Token::Symbol, u",") ? close + 2 : m_tokens.size();
        }
        return found;
    }

    // The place of PSWD in the first parenthesised list before `end`.
    std::optional<qsizetype> passwordColumn(qsizetype end) const
    {
        qsizetype open = 0;
        while (open < end && !is(open, Token::Symbol, u"("))
            ++open;
        if (open >= end)
            return std::nullopt;
        qsizetype close = open;
        const QList<Item> columns = items(open, close);
        for (qsizetype i = 0; i < columns.size(); ++i)
            if (columns.at(i).size() == 1 && isPasswordColumn(columns.at(i).constFirst()))
                return i;
        return std::nullopt;
    }

    // The comma-separated items between the bracket at `open` and its match,
    // whose index goes to `close`.
    QList<Item> items(qsizetype open, qsizetype &close) const
    {
        QList<Item> list {Item()};
        int depth = 0;
        for (close = open + 1; close < m_tokens.size(); ++close) {
            if (is(close, Token::Symbol, u")") && depth-- == 0)
                break;
            if (is(close, Token::Symbol, u"("))
                ++depth;
            if (depth == 0 && is(close, Token::Symbol, u","))
                list.append(Item());
            else
                list.last() << close;
        }
        return list;
    }

    const QString &m_text;
    const Tokens m_tokens;
};

} // namespace

QString withoutPasswords(const QString &statement)
{
    return Statement(statement).masked();
}
