#include "platform/ui/Dialogs.h"
#include "platform/ui/WindowRegistry.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

namespace portiva
{

namespace
{

Dialogs *g_installed = nullptr;

QWidget *dialogParent()
{
    QWidget *form = WindowRegistry::instance().activeForm();
    return form && form->isVisible() ? form : QApplication::activeWindow();
}

// The width a window's title needs in a frame's bold caption, with room kept for the frame's
// own buttons.
int titleWidthOf(const QWidget &window)
{
    // The frame draws the title in the desktop's face, often wider than the window's own.
    int widest = 0;
    for (QFont face : {window.font(), QFontDatabase::systemFont(QFontDatabase::TitleFont)}) {
        face.setBold(true);
        widest = qMax(widest, QFontMetrics(face).horizontalAdvance(window.windowTitle()));
    }
    return widest * 9 / 8 + 140;
}

} // namespace

QString defaultDialogTitle()
{
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("Portiva3") : name;
}

QString renderDialogText(const QString &text)
{
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

Dialogs::Answer QtDialogs::msgBox(const QString &text, Buttons buttons, const QString &title)
{
    QMessageBox box(dialogParent());
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(title.isEmpty() ? defaultDialogTitle() : title);
    // Plain text: a message holding "<" must never be taken for markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(renderDialogText(text));
    // The operator can select and copy what a box says, to pass a message on word for word.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QPushButton *ok = box.addButton(QMessageBox::Ok);
    box.setDefaultButton(ok);
    if (buttons == Buttons::OkCancel) {
        box.setEscapeButton(box.addButton(QMessageBox::Cancel));
    } else {
        box.setEscapeButton(ok);
    }
    // A short message makes a box narrower than its title, which the window manager then
    // cuts to "...": the box is kept as wide as the title needs.
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(
            new QSpacerItem(titleWidthOf(box), 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
            grid->rowCount(), 0, 1, grid->columnCount());
    box.exec();
    return box.clickedButton() == ok ? Answer::Ok : Answer::Cancel;
}

std::optional<QString> QtDialogs::inputBox(const QString &prompt, const QString &title,
                                           const QString &defaultText)
{
    QInputDialog dialog(dialogParent());
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(title.isEmpty() ? defaultDialogTitle() : title);
    dialog.setLabelText(renderDialogText(prompt));
    dialog.setTextValue(defaultText);
    // The title often names the recipient; a box as narrow as its one-line field would leave
    // the window manager to cut it. Room is kept for the frame's own buttons.
    dialog.resize(qMax(dialog.sizeHint().width(), titleWidthOf(dialog)),
                  dialog.sizeHint().height());
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.textValue();
}

void QtDialogs::beep()
{
    QApplication::beep();
}

Dialogs &dialogs()
{
    static QtDialogs production;
    return g_installed ? *g_installed : production;
}

Dialogs *setDialogs(Dialogs *service)
{
    Dialogs *previous = g_installed;
    g_installed = service;
    return previous;
}

} // namespace portiva
