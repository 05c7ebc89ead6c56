#pragma once

#include <QString>

#include <functional>

// Every message the component shows goes through here: title "Tovrix",
// the buttons and icon the caller asks for. Tests may answer in advance.
class MessageBox {
public:
    // Yes and No: No is the default, and Escape or the close box answer it.
    enum class Buttons { Ok, OkCancel, YesNo };
    enum class Icon { None, Exclamation, Critical };
    enum class Answer { Ok, Cancel, Yes, No };

    struct Request {
        QString text;
        Buttons buttons;
        Icon icon;
    };
    using Answerer = std::function<Answer(const Request &)>;

    static QString title() { return QStringLiteral("Tovrix"); }
    static Answer show(const QString &text, Buttons buttons = Buttons::Ok, Icon icon = Icon::None);

    // Test seam: while set, no box is shown and the answerer decides.
    static void setAnswerer(Answerer answerer);
};
