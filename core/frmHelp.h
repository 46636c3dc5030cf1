#pragma once

#include <QDialog>

class QTextBrowser;

namespace portiva
{

// The program's own help window: the HTML help file shown where the desktop has no viewer
// for it. Modeless; it deletes itself when closed.
class frmHelp : public QDialog
{
    Q_OBJECT
public:
    explicit frmHelp(const QString &helpFile, QWidget *parent = nullptr);

    QTextBrowser *browser() const { return m_browser; }

private:
    QTextBrowser *m_browser;
};

} // namespace portiva
