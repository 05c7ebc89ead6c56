#pragma once

#include <QDialog>

#include <functional>

class QAbstractButton;

// The Qt widget of one of the component's windows. It hands the window's
// own events to the window class that owns it.
class FormDialog : public QDialog {
    Q_OBJECT
public:
    explicit FormDialog(QWidget *parent = nullptr);

    // The border kinds of the component's windows.
    enum class Kind {
        Resizable, // sizable, with minimise and maximise boxes
        FixedDialog, // fixed size, close box only
        FixedSingle, // fixed size, close box only, a window of its own
    };
    void setKind(Kind kind);

    std::function<void()> onResize;
    // Key preview: sees every key going to a control of this window before the
    // control does; setting the key code to 0 swallows the key.
    std::function<void(int &keyCode, int shift)> onKeyDown;
    void setKeyPreview(bool on);
    // A button's click handler, behind the guard every event entry has.
    void onClicked(QAbstractButton *button, std::function<void()> handler);
    // The close box: the owner decides whether this unloads or hides.
    std::function<void()> onCloseRequest;

    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
};
