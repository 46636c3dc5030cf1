#pragma once

#include <QDialog>

class QTimer;

namespace portiva
{

// Shown modally after the login; only its own timer closes it, 3000 ms after it was shown.
class frmSplash : public QDialog
{
    Q_OBJECT
public:
    explicit frmSplash(QWidget *parent = nullptr);

    void Form_Load();
    void Timer1_Timer();

    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QTimer *m_timer1;
    bool m_timerClosed = false;
};

} // namespace portiva
