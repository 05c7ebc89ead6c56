#pragma once

#include "store/Connection.h"
#include "ui/MessageBox.h"

#include <QList>
#include <QStringList>

// While it lives, every message box is answered with `answer` instead of
// being shown, and what it asked is kept; every statement run is kept too.
class Recording {
public:
    Recording()
    {
        MessageBox::setAnswerer([this](const MessageBox::Request &request) {
            asked << request;
            return answer;
        });
        Connection::setTraceHook([this](const QString &statement) {
            if (tracing)
                statements << statement;
        });
    }
    ~Recording()
    {
        MessageBox::setAnswerer({});
        Connection::setTraceHook({});
    }
    Recording(const Recording &) = delete;
    Recording &operator=(const Recording &) = delete;

    QStringList messages() const
    {
        QStringList texts;
        for (const MessageBox::Request &request : asked)
            texts << request.text;
        return texts;
    }

    MessageBox::Answer answer = MessageBox::Answer::Ok;
    bool tracing = true;
    QList<MessageBox::Request> asked;
    QStringList statements;
};
