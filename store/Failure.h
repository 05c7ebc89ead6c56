#pragma once

#include <QString>
#include <QVariant>

#include <stdexcept>

// Every failure the component reports: the description is what the user is
// shown. The database's and the tree's own failures derive from it.
class Failure : public std::runtime_error {
public:
    explicit Failure(const QString &description)
        : std::runtime_error(description.toStdString())
        , m_description(description)
    {
    }

    QString description() const { return m_description; }

private:
    QString m_description;
};

// A value that must be a whole number: fails with "Type mismatch" when it
// is none. Keys and modes are read by their full value.
qint64 wholeNumber(const QVariant &value);
// The same within 32 bits: fails with "Overflow" past them, where
// QVariant::toInt would wrap the value onto another.
qint32 wholeNumber32(const QVariant &value);
