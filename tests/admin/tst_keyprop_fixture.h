#pragma once

// A database with three key units the operator's level lets him see and one it hides, the
// program-wide state the properties window reads, and small helpers to act on its controls.

#include "admin/frmKeyProperties.h"
#include "modem/GsmCharTables.h"
#include "platform/db/Connection.h"
#include "programstate/AppState.h"
#include "tests/support/TestDatabase.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <memory>

namespace portiva::test
{

struct KeyPropFixture {
    TestDatabase db;
    AppState state;

    KeyPropFixture()
    {
        GsmCharTables::InitGSMCharTables();
        state.DBPath = db.path();
        state.SharedConnection = db.connection();
        state.ConnectionString = db.connectionString();
        state.CountryCode = QStringLiteral("47");
        state.CurrentSecurityLevel = QStringLiteral("6");
        state.SelectedKeyNummer = QStringLiteral("+4711111111");
        addUnit({"+4711111111", "Hovedport", "5", "0", "11111111", "ALARM AV", "Normal  (N)"});
        addUnit({"+4722222222", "Bakdør", "4", "1", "99999999", "ALARM PÅ", "Lukket  (L)"});
        addUnit({"+4744444444", "Garasje", "6", "1", "44444444", "Endebryter A", "Oppe    (O)"});
        addUnit({"+4733333333", "Hvelv", "7", "0", "33333333", "ALARM AV", "Normal  (N)"});
    }

    struct Unit {
        const char *number, *name, *level, *admin, *own, *alarm, *lock;
    };
    void addUnit(const Unit &u)
    {
        exec("INSERT INTO KEYTable (KeyNummer, KeyNavn, KeySikkerhet, Bygning, Admin, Admin1, "
             "Admin2, Eget_Nummer, Beskrivelse, Alarmstatus, KeyStatus, Pulslengde, TimeInStart, "
             "TimeInStop, TimeOutStart, TimeOutStop, Tekst1, Tekst6) VALUES (?, ?, ?, 'Bygg A', "
             "?, '87654321', NULL, ?, 'Port', ?, ?, '3', '07', '16', '08', '18', 'Velkommen', "
             "'Mvh')",
             {QString::fromUtf8(u.number), QString::fromUtf8(u.name), QString::fromUtf8(u.level),
              QString::fromUtf8(u.admin), QString::fromUtf8(u.own), QString::fromUtf8(u.alarm),
              QString::fromUtf8(u.lock)});
    }

    void exec(const QString &sql, const QVariantList &params = {})
    {
        db.connection()->exec(sql, params);
    }
    QVariant scalar(const QString &sql, const QVariantList &params = {})
    {
        return db.connection()->scalar(sql, params);
    }
    QString unitField(const QString &number, const QString &column)
    {
        // column is one of the table's fixed names.
        return scalar(QStringLiteral("SELECT %1 FROM KEYTable WHERE KeyNummer = ?").arg(column),
                      {number})
            .toString();
    }
    int queued() { return scalar("SELECT COUNT(*) FROM SMS_Sent").toInt(); }
    void setLanguageText(int row, const QString &column, const QString &text)
    {
        exec(QStringLiteral("UPDATE TBLLanguage SET %1 = ? WHERE rowid = (SELECT rowid FROM "
                            "TBLLanguage ORDER BY rowid LIMIT 1 OFFSET ?)")
                 .arg(column),
             {text, row - 1});
    }

    std::unique_ptr<frmKeyProperties> open() { return std::make_unique<frmKeyProperties>(state); }
};

inline QLineEdit *box(QWidget *w, int i)
{
    return w->findChild<QLineEdit *>(QStringLiteral("KeyTXT(%1)").arg(i));
}
inline QComboBox *list(QWidget *w, int i)
{
    return w->findChild<QComboBox *>(QStringLiteral("Combo1(%1)").arg(i));
}
inline QPushButton *sendButton(QWidget *w, int i)
{
    return w->findChild<QPushButton *>(QStringLiteral("Command1(%1)").arg(i));
}
inline QRadioButton *model(QWidget *w, int i)
{
    return w->findChild<QRadioButton *>(QStringLiteral("KeyType(%1)").arg(i));
}
// What the operator's choice from a list does: the entry becomes current, then its "Click".
inline void choose(QComboBox *box, int entry)
{
    box->setCurrentIndex(entry);
    emit box->activated(entry);
}
// The operator types a new text into a box.
inline void type(QLineEdit *box, const QString &text)
{
    box->setText(text);
}
// Which of the send buttons the window shows (not hidden), in index order.
inline QList<int> shownButtons(QWidget *w)
{
    QList<int> shown;
    for (int i = 1; i <= 21; ++i) {
        if (QPushButton *b = sendButton(w, i); b && !b->isHidden())
            shown << i;
    }
    return shown;
}

} // namespace portiva::test
