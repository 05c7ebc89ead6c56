#include "TransferCommands.h"

#include "browser/AccountList.h"
#include "browser/SSNode.h"
#include "browser/TreeNodes.h"
#include "store/AccountFile.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>

namespace {

const QString exportEntry = QStringLiteral("export");
const QString importEntry = QStringLiteral("import");

// Qt's own dialog, whatever the desktop offers: it looks and answers the
// same everywhere. Set before anything else, as Qt asks.
void ownDialog(QFileDialog &dialog, const QString &name)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setObjectName(name);
    dialog.setNameFilters(
        {QStringLiteral("アカウント設定 (*.json)"), QStringLiteral("すべてのファイル (*)")});
}

} // namespace

TransferCommands::TransferCommands(AccountList &list)
    : m_list(list)
    , m_folder(QDir::homePath())
{
}

void TransferCommands::addEntries(QMenu &menu, const SSNode *node)
{
    menu.addSeparator();
    menu.addAction(QStringLiteral("書き出し..."))->setObjectName(exportEntry);
    QAction *import = menu.addAction(QStringLiteral("読み込み..."));
    import->setObjectName(importEntry);
    import->setEnabled(kindOf(node) != NodeKind::Account);
}

void TransferCommands::run(const QAction *chosen, const SSNode *node, QWidget *window)
{
    if (!chosen)
        return;
    if (chosen->objectName() == exportEntry)
        exportFrom(node->key(), node->text(), window);
    else if (chosen->objectName() == importEntry)
        importUnder(node->key(), window);
}

// The passwords are asked about once the file is chosen: a cancelled dialog
// asks nothing.
void TransferCommands::exportFrom(const QString &key, const QString &name, QWidget *window)
{
    QFileDialog dialog(window, QStringLiteral("アカウント設定の書き出し"), m_folder);
    ownDialog(dialog, QStringLiteral("ExportFile"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("json"));
    dialog.selectFile(QString(name).replace(u'/', u'_') + QStringLiteral(".json"));
    const QString path = chosenFile(dialog);
    if (path.isEmpty())
        return;
    const bool withPasswords = MessageBox::show(QStringLiteral("パスワードも書き出しますか。"),
                                   MessageBox::Buttons::YesNo)
        == MessageBox::Answer::Yes;
    const AccountList::Exported exported = m_list.exportFrom(key);
    if (!toldIfGone(exported.outcome))
        return;
    AccountFile::save(path, exported.rows, withPasswords);
    MessageBox::show(AccountFile::exportedSummary(exported.rows));
}

void TransferCommands::importUnder(const QString &key, QWidget *window)
{
    QFileDialog dialog(window, QStringLiteral("アカウント設定の読み込み"), m_folder);
    ownDialog(dialog, QStringLiteral("ImportFile"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    const QString path = chosenFile(dialog);
    if (path.isEmpty())
        return;
    const AccountFile::Contents contents = AccountFile::load(path);
    if (toldIfGone(m_list.importUnder(key, contents).outcome))
        MessageBox::show(AccountFile::importedSummary(contents.rows));
}

QString TransferCommands::chosenFile(QFileDialog &dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString path = dialog.selectedFiles().constFirst();
    m_folder = QFileInfo(path).absolutePath();
    return path;
}
