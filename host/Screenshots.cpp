#include "Screenshots.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>

#include <cstdio>
#include <functional>

namespace {

using Act = std::function<void(QWidget *)>;

struct Step {
    QString window; // objectName of the modal window awaited
    Act setUp; // before the picture
    QString picture; // empty: none
    Act next; // queued: it may open a window with a modal loop of its own
};

constexpr int waitLimitMs = 30000;

// The library's windows are met through Qt's own classes and object names
// only: their classes live in another copy of the code, inside the library.
void selectNode(QWidget *window, const QString &text)
{
    auto *tree = window->findChild<QTreeView *>(QStringLiteral("SSTree1"));
    const QModelIndexList found = tree
        ? tree->model()->match(tree->model()->index(0, 0), Qt::DisplayRole, text, 1,
            Qt::MatchExactly | Qt::MatchRecursive)
        : QModelIndexList();
    if (found.isEmpty())
        return;
    tree->scrollTo(found.constFirst());
    const QPointF centre = tree->visualRect(found.constFirst()).center();
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, centre, tree->viewport()->mapToGlobal(centre), Qt::LeftButton,
            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &event);
    }
}

Act select(const QString &text)
{
    return [text](QWidget *window) { selectNode(window, text); };
}

Act clickToolbar(const QString &key)
{
    return [key](QWidget *window) {
        auto *toolbar = window->findChild<QToolBar *>(QStringLiteral("Toolbar1"));
        auto *action = window->findChild<QAction *>(key);
        if (toolbar && action)
            if (auto *button = qobject_cast<QAbstractButton *>(toolbar->widgetForAction(action)))
                button->click();
    };
}

Act clickButton(const QString &name)
{
    return [name](QWidget *window) {
        if (auto *button = window->findChild<QAbstractButton *>(name))
            button->click();
    };
}

// As a right press on the chosen node asks for it.
void openMenu(QWidget *window)
{
    auto *tree = window->findChild<QTreeView *>(QStringLiteral("SSTree1"));
    if (!tree || !tree->currentIndex().isValid())
        return;
    const QPoint at = tree->visualRect(tree->currentIndex()).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, tree->viewport()->mapToGlobal(at));
    QApplication::sendEvent(tree->viewport(), &event);
}

void closeWindow(QWidget *window)
{
    window->close();
}

// Offscreen there is no window manager to draw a frame, so the picture gets a
// plain title bar with the window's caption, as a desktop would show it.
QImage framed(QWidget *window)
{
    const QPixmap content = window->grab();
    const int border = 1;
    const int titleHeight = window->fontMetrics().height() + 12;
    const QSize size = content.deviceIndependentSize().toSize();
    QImage picture(size + QSize(2 * border, titleHeight + 2 * border), QImage::Format_RGB32);
    picture.fill(QColor(0x60, 0x60, 0x60));
    QPainter painter(&picture);
    const QRect title(border, border, size.width(), titleHeight);
    painter.fillRect(title, QColor(0xdf, 0xe4, 0xea));
    painter.setFont(window->font());
    painter.setPen(Qt::black);
    painter.drawText(
        title.adjusted(8, 0, -8, 0), Qt::AlignVCenter | Qt::AlignLeft, window->windowTitle());
    painter.drawPixmap(border, border + titleHeight, content);
    return picture;
}

// A menu over the window it belongs to, as a desktop shows it.
QImage framedWithMenu(QWidget *window, QMenu *menu)
{
    const QImage frame = framed(window);
    const QPoint menuAt = menu->pos() - window->mapToGlobal(QPoint())
        + QPoint(1, frame.height() - window->height() - 1);
    const QRect all = frame.rect().united(QRect(menuAt, menu->size()));
    QImage picture(all.size(), QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.drawImage(-all.topLeft(), frame);
    painter.drawPixmap(menuAt - all.topLeft(), menu->grab());
    return picture;
}

class Tour : public QObject {
public:
    explicit Tour(QList<Step> steps)
        : QObject(qApp)
        , m_steps(std::move(steps))
    {
        m_timer.callOnTimeout(this, &Tour::poll);
        m_timer.start(50);
        m_waited.start();
    }

    bool failed = false;
    bool finished() const { return !failed && m_steps.isEmpty(); }

private:
    void poll()
    {
        // A node's menu is a popup over the modal list.
        QWidget *window = QApplication::activePopupWidget();
        if (!window)
            window = QApplication::activeModalWidget();
        if (failed || m_steps.isEmpty())
            return closeAll(window);
        if (!window || !window->isVisible() || window->objectName() != m_steps.first().window) {
            if (m_waited.hasExpired(waitLimitMs))
                giveUp();
            return;
        }
        const Step step = m_steps.takeFirst();
        m_waited.restart();
        if (step.setUp)
            step.setUp(window);
        if (!step.picture.isEmpty())
            save(window, step.picture);
        QTimer::singleShot(0, window, [window, next = step.next] { next(window); });
    }

    void save(QWidget *window, const QString &file)
    {
        auto *menu = qobject_cast<QMenu *>(window);
        const bool saved
            = (menu ? framedWithMenu(QApplication::activeModalWidget(), menu) : framed(window))
                  .save(file);
        failed = failed || !saved;
        std::fprintf(
            stderr, "tx-account-host: %s %s\n", saved ? "saved" : "cannot save", qPrintable(file));
    }

    void giveUp()
    {
        std::fprintf(stderr, "tx-account-host: the window %s did not appear\n",
            qPrintable(m_steps.first().window));
        failed = true;
    }

    // The last step's queued action closes the last window; after a failure,
    // whatever is still open is closed so that showAccountForm returns.
    void closeAll(QWidget *window)
    {
        if (failed && window)
            window->close();
        else
            m_timer.stop();
    }

    QList<Step> m_steps;
    QTimer m_timer;
    QElapsedTimer m_waited;
};

Tour *current = nullptr;

void start(QList<Step> steps)
{
    delete current;
    current = new Tour(std::move(steps));
}

} // namespace

namespace Screenshots {

void accountList(const QString &file)
{
    start({{QStringLiteral("AccountBrowse"), {}, file, closeWindow}});
}

void allWindows(const QString &folder)
{
    QDir().mkpath(folder);
    const QDir dir(folder);
    const QString list = QStringLiteral("AccountBrowse");
    const QString editor = QStringLiteral("AccountAdd");
    start({
        {list, select(QStringLiteral("営業部")), dir.filePath(QStringLiteral("account-list.png")),
            clickToolbar(QStringLiteral("update"))},
        {editor, {}, dir.filePath(QStringLiteral("account-editor.png")),
            clickButton(QStringLiteral("Command3"))},
        {QStringLiteral("Sign"), {}, dir.filePath(QStringLiteral("signature-dialog.png")),
            clickButton(QStringLiteral("Command2"))},
        {editor, {}, {}, clickButton(QStringLiteral("Command2"))},
        {list, select(QStringLiteral("本社")), {}, clickToolbar(QStringLiteral("updatef"))},
        {QStringLiteral("FolderAdd"), {}, dir.filePath(QStringLiteral("folder-dialog.png")),
            clickButton(QStringLiteral("Command3"))},
        {list, select(QStringLiteral("仕事")), {}, openMenu},
        {QStringLiteral("SSTree1Menu"), {}, dir.filePath(QStringLiteral("node-menu.png")),
            closeWindow},
        {list, {}, {}, closeWindow},
    });
}

bool succeeded()
{
    return current && current->finished();
}

} // namespace Screenshots
