#include "admin/KeyPanel.h"

#include "admin/MainViews.h"
#include "platform/db/DbTexts.h"
#include "platform/db/Recordset.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Guard.h"
#include "platform/vb/Error.h"
#include "programstate/AppState.h"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace portiva
{

namespace
{

Recordset &opened(const std::shared_ptr<Recordset> &rs)
{
    if (!rs || !rs->isOpen())
        throw Error(closedRowsText());
    return *rs;
}

} // namespace

QString phoneDisplayText(const QString &id, const QString &sender, const QString &date,
                         const QString &text, const QString &name)
{
    const QChar lf = QLatin1Char('\n');
    return QStringLiteral("Nummer: ") + id + lf + QStringLiteral("Fra  : ") + sender + lf +
           QStringLiteral("Navn: ") + name + lf + date + lf + lf + text;
}

KeyPanel::KeyPanel(AppState &state, MainViews &views, KeyPanelHooks hooks,
                   QVector<QLineEdit *> SMSRectxt, QPlainTextEdit *PhoneDisplay, QObject *parent)
    : QObject(parent), m_state(state), m_views(views), m_hooks(std::move(hooks)),
      m_boxes(std::move(SMSRectxt)), m_display(PhoneDisplay)
{
    for (QLineEdit *box : m_boxes)
        connect(box, &QLineEdit::textChanged, this, &KeyPanel::SMSRectxt_Change);
}

void KeyPanel::stepKey(bool down)
{
    guarded(down ? QStringLiteral("Prev") : QStringLiteral("Next"), [this, down] {
        Recordset &keys = opened(m_views.adoKEYRS);
        const bool hasRows = keys.RecordCount() > 0;
        // Both ends wrap round, without a sound.
        if (down) {
            if (!keys.BOF())
                keys.MovePrevious();
            if (keys.BOF() && hasRows)
                keys.MoveLast();
        } else {
            if (!keys.EOF())
                keys.MoveNext();
            if (keys.EOF() && hasRows)
                keys.MoveFirst();
        }
        if (!keys.BOF() && !keys.EOF()) {
            const QString number = keys.toTextOr(QStringLiteral("KeyNummer"), QString());
            if (!number.isEmpty())
                m_state.SelectedKeyNummer = number;
        }
        m_hooks.CLEAR_INPUT();
        m_hooks.OpenMainRecordsets();
        m_hooks.ShowKeyUsers();
        m_hooks.TabStrip1_Click();
    });
}

void KeyPanel::UpDown1_DownClick()
{
    stepKey(true);
}

void KeyPanel::UpDown1_UpClick()
{
    stepKey(false);
}

void KeyPanel::stepSms(bool back, bool wrap, const QString &stepWord)
{
    guarded(stepWord, [&] {
        Recordset &sms = opened(m_views.adoSMSReceivedRS);
        const bool hasRows = sms.RecordCount() > 0;
        if (back) {
            if (!sms.BOF())
                sms.MovePrevious();
            if (sms.BOF() && hasRows) {
                dialogs().beep();
                wrap ? sms.MoveLast() : sms.MoveFirst();
            }
        } else {
            if (!sms.EOF())
                sms.MoveNext();
            if (sms.EOF() && hasRows) {
                dialogs().beep();
                wrap ? sms.MoveFirst() : sms.MoveLast();
            }
        }
    });
}

void KeyPanel::ArrowLeft_Click()
{
    stepSms(true, true, QStringLiteral("Prev"));
}

void KeyPanel::ArrowRight_Click()
{
    stepSms(false, true, QStringLiteral("Next"));
}

void KeyPanel::UpDown2_DownClick()
{
    stepSms(true, false, QStringLiteral("Prev"));
}

void KeyPanel::UpDown2_UpClick()
{
    stepSms(false, false, QStringLiteral("Next"));
}

void KeyPanel::SMSRectxt_Change()
{
    if (!m_display || m_boxes.size() < 5)
        return;
    m_display->setPlainText(QString());
    m_display->setPlainText(phoneDisplayText(m_boxes[0]->text(), m_boxes[1]->text(),
                                             m_boxes[2]->text(), m_boxes[3]->text(),
                                             m_boxes[4]->text()));
}

} // namespace portiva
