#pragma once

#include <QString>
#include <stdexcept>

// The one exception the store throws: it carries the engine's own description,
// which the windows show to the user as it stands.
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString &description)
        : std::runtime_error(description.toStdString())
        , m_description(description)
    {
    }

    QString description() const { return m_description; }

private:
    QString m_description;
};
