#pragma once

#include <QAnyStringView>
#include <QString>
#include <QVariant>

// Where a result set's rows come from: a QtSql query, an SQLite statement
// stepped directly, or one row kept after its statement was released.
class RowSource {
public:
    virtual ~RowSource() = default;

    // Moves onto the next row; false past the last. Throws DbError.
    virtual bool next() = 0;
    virtual int columnCount() const = 0;
    // The column's position, names matched without regard to case; -1 when
    // there is no such column.
    virtual int columnIndex(const QString &name) const
    {
        for (int column = 0; column < columnCount(); ++column)
            if (name.compare(columnName(column), Qt::CaseInsensitive) == 0)
                return column;
        return -1;
    }
    virtual QString columnName(int column) const = 0;
    // A valid position on the current row.
    virtual QVariant value(int column) const = 0;
    // The value exactly as stored: what value() gives, but text whose bytes
    // are not UTF-8 as RawText.
    virtual QVariant storedValue(int column) const { return value(column); }

protected:
    // columnIndex for a source whose names the engine holds as UTF-8,
    // compared without making a string of each: the load looks four names
    // up in the rows of every statement it runs. The name as spelled is
    // found before any other case of it.
    template <typename NameOf>
    static int utf8ColumnIndex(const QString &name, int count, NameOf nameOf)
    {
        for (const Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive})
            for (int column = 0; column < count; ++column)
                if (QAnyStringView::compare(QUtf8StringView(nameOf(column)), name, cs) == 0)
                    return column;
        return -1;
    }
};
