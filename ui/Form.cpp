#include "Form.h"

#include "FormDialog.h"
#include "LabelFit.h"
#include "TextFilter.h"
#include "TypingLimit.h"

#include <QCoreApplication>
#include <QFont>
#include <QScopeGuard>

Form::~Form()
{
    // The instance may outlive the application at process exit; a widget
    // can only be destroyed while the application still exists.
    if (m_widget && QCoreApplication::instance())
        delete m_widget.data();
}

FormDialog *Form::widget()
{
    if (!m_widget) {
        auto *dialog = new FormDialog;
        QFont font(QStringLiteral("MS UI Gothic"));
        font.setPointSizeF(9.75);
        dialog->setFont(font);
        dialog->onResize = [this] { Form_Resize(); };
        dialog->onCloseRequest = [this] { closeRequested(); };
        dialog->onKeyDown = [this](int &keyCode, int shift) { Form_KeyDown(keyCode, shift); };
        m_widget = dialog;
        setupWidget(dialog);
        keepStorableText(dialog);
        limitTypingOnly(dialog);
        fitLabelsBesideBoxes(dialog);
        Form_Load();
    }
    return m_widget;
}

void Form::showModal()
{
    widget()->exec();
}

void Form::hide()
{
    if (m_widget)
        m_widget->hide();
}

void Form::unload()
{
    if (!m_widget || m_unloading)
        return;
    m_unloading = true;
    // The widget goes even when the unload handling fails: a window must
    // always be able to close.
    const auto dispose = qScopeGuard([this] {
        if (FormDialog *dialog = m_widget.data()) {
            dialog->hide();
            dialog->deleteLater();
        }
        m_widget.clear();
        m_unloading = false;
    });
    Form_Unload();
}

QString Form::caption()
{
    return widget()->windowTitle();
}

void Form::setCaption(const QString &caption)
{
    widget()->setWindowTitle(caption);
}
