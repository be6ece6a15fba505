#pragma once

#include <QDialog>
#include <QUrl>

class QTextBrowser;

namespace kest {

/// The program's help: the HTML pages that travel inside the program, shown at the
/// page of a help context.
class HelpWindow : public QDialog
{
    Q_OBJECT

public:
    explicit HelpWindow(QWidget* parent = nullptr);

    /// Opens the page of help context `context` (the contents for an unknown one).
    void showTopic(int context);
    /// Opens the contents page.
    void showContents();

    /// The page shown, "qrc:/help/connect.html".
    QUrl page() const;
    QTextBrowser& browser() { return *m_browser; }

private:
    void open(const QString& page);

    QTextBrowser* m_browser;
};

/// The help window of the program, made on first use.
HelpWindow& programHelp();
/// Closes the help window when it was ever opened.
void closeProgramHelp();

/// The help context of a menu item or control: its own "helpContext" property, else
/// that of the nearest parent widget that has one; 0 when none has.
int helpContextOf(const QObject* object);

/// Opens the help at the context of the menu item or control under F1, for every
/// window of the program, while it lives.
class HelpKeyFilter : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace kest
