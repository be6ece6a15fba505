#include "app/ui/HelpWindow.h"

#include "app/HelpTopics.h"
#include "app/ui/ProgramIcon.h"
#include "common/ui/EnterButton.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace kest {
namespace {

constexpr const char* kHelpRoot = "qrc:/help/";

} // namespace

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Справка"));
    setWindowIcon(programIcon());
    setWindowFlag(Qt::WindowMaximizeButtonHint);

    // Made in the order they are drawn, which is the order Tab follows.
    auto* contents = new QPushButton(QStringLiteral("Содержание"), this);
    auto* back = new QPushButton(QStringLiteral("< Назад"), this);
    auto* forward = new QPushButton(QStringLiteral("Вперед >"), this);
    auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("helpText"));
    m_browser->setAccessibleName(QStringLiteral("Справка"));
    m_browser->setOpenExternalLinks(true);
    setEnterButton(*this, *close);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(contents, &QPushButton::clicked, this, &HelpWindow::showContents);
    connect(back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = m_browser->documentTitle();
        setWindowTitle(title.isEmpty() ? QStringLiteral("Справка") : QStringLiteral("Справка: ") + title);
    });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contents);
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_browser, 1);
    resize(760, 560);
}

void HelpWindow::open(const QString& page)
{
    m_browser->setSource(QUrl(QString::fromLatin1(kHelpRoot) + page));
    // A modal window blocks every window but its own children, so the help joins the
    // window the user is in.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != this && parentWidget() != modal) {
        const QRect placed = geometry();
        setParent(modal, windowFlags());
        setGeometry(placed);
    }
    show();
    raise();
    activateWindow();
}

void HelpWindow::showTopic(int context)
{
    open(QString::fromStdString(helpTopicPage(context)));
}

void HelpWindow::showContents()
{
    open(QString::fromLatin1(kHelpContentsPage));
}

QUrl HelpWindow::page() const
{
    return m_browser->source();
}

namespace {

QPointer<HelpWindow>& helpInstance()
{
    static QPointer<HelpWindow> window;
    return window;
}

} // namespace

void closeProgramHelp()
{
    if (helpInstance())
        helpInstance()->close();
}

HelpWindow& programHelp()
{
    // Owned by no window, so that closing the window that opened it keeps it alive;
    // it goes with the application.
    QPointer<HelpWindow>& window = helpInstance();
    if (!window) {
        window = new HelpWindow;
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, window, &QObject::deleteLater);
    }
    return *window;
}

int helpContextOf(const QObject* object)
{
    for (; object; object = object->parent()) {
        const QVariant context = object->property("helpContext");
        if (context.isValid() && context.toInt() > 0)
            return context.toInt();
        if (object->isWidgetType() && static_cast<const QWidget*>(object)->isWindow())
            break;
    }
    return 0;
}

bool HelpKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1)
        return false;
    int context = 0;
    if (auto* menu = qobject_cast<QMenu*>(watched)) {
        context = helpContextOf(menu->activeAction());
        if (!context)
            context = helpContextOf(menu->menuAction());
    } else if (auto* bar = qobject_cast<QMenuBar*>(watched)) {
        context = helpContextOf(bar->activeAction());
    } else if (watched->isWidgetType()) {
        context = helpContextOf(watched);
    } else {
        return false;
    }
    // The menus close first, so the help is not opened under an open menu.
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    programHelp().showTopic(context);
    return true;
}

} // namespace kest
