#pragma once

#include <QPointer>
#include <QString>

class FormDialog;

// One of the component's windows, as the host process sees it: a single
// instance that lives as long as the process and keeps its variables, and a
// widget that is created on first touch (loading the window) and destroyed
// when the window unloads.
class Form {
public:
    Form() = default;
    virtual ~Form();
    Form(const Form &) = delete;
    Form &operator=(const Form &) = delete;

    // Touching the widget loads the window.
    FormDialog *widget();
    bool isLoaded() const { return !m_widget.isNull(); }

    // Shows the window modally; returns when it is hidden or unloaded.
    void showModal();
    void hide();
    void unload();

    QString caption();
    void setCaption(const QString &caption);

protected:
    // Creates the window's controls on a fresh widget.
    virtual void setupWidget(FormDialog *dialog) = 0;
    virtual void Form_Load() { }
    virtual void Form_Unload() { }
    virtual void Form_Resize() { }
    // Seen only by windows that turn key preview on.
    virtual void Form_KeyDown(int & /*KeyCode*/, int /*Shift*/) { }
    // What the close box does; a window unloads unless it says otherwise.
    virtual void closeRequested() { unload(); }

private:
    QPointer<FormDialog> m_widget;
    bool m_unloading = false;
};
