// The properties window's controls, their layout and wiring, its texts and language.

#include "admin/frmKeyProperties.h"

#include "admin/KeyPropTexts.h"
#include "platform/db/Recordset.h"
#include "platform/ui/Guard.h"
#include "programstate/AppState.h"
#include "programstate/LanguageTable.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace portiva
{

namespace
{

QString indexed(const char *name, int index)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

} // namespace

frmKeyProperties::frmKeyProperties(AppState &state, const QString &keyNummer, QWidget *parent)
    : QWidget(parent), m_state(state)
{
    if (!keyNummer.isEmpty())
        m_state.SelectedKeyNummer = keyNummer;
    buildControls();
    layoutControls();
    connectControls();
    try {
        load();
    } catch (const std::exception &e) {
        throw Error(guardedText(errorDescription(e), keyprop::loadFailureWord()));
    }
    Timer1->start();
}

frmKeyProperties::frmKeyProperties(AppState &state, QWidget *parent)
    : frmKeyProperties(state, QString(), parent)
{
}

frmKeyProperties::~frmKeyProperties() = default;

void frmKeyProperties::buildControls()
{
    setObjectName(QStringLiteral("frmKeyProperties"));
    setWindowTitle(QStringLiteral("Dør Oppsett"));
    for (int i = 0; i < keyprop::BoxCount; ++i) {
        auto *box = new QLineEdit(this);
        box->setObjectName(indexed("KeyTXT", i));
        box->setProperty("index", i);
        if (const int max = keyprop::boxMaxLength(i))
            box->setMaxLength(max);
        box->setToolTip(keyprop::boxTooltip(i));
        box->installEventFilter(this);
        KeyTXT << box;
    }
    KeyTXT[14]->setReadOnly(true);
    KeyTXT[21]->setReadOnly(true);

    for (int i = 0; i < 6; ++i) {
        auto *box = new QComboBox(this);
        box->setObjectName(indexed("Combo1", i));
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        Combo1 << box;
    }

    m_keyTypeGroup = new QButtonGroup(this);
    const QString models[] = {QStringLiteral("Timemodell"), QStringLiteral("Minuttmodell"),
                              QStringLiteral("Stille modell")};
    for (int i = 0; i < 3; ++i) {
        auto *option = new QRadioButton(models[i], this);
        option->setObjectName(indexed("KeyType", i));
        m_keyTypeGroup->addButton(option, i);
        KeyType << option;
    }

    Command1.fill(nullptr, 22);
    for (int i : {1, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21}) {
        Command1[i] = new QPushButton(keyprop::sendButtonCaption(i), this);
        Command1[i]->setObjectName(indexed("Command1", i));
    }
    Command1[21]->setToolTip(QStringLiteral("Sender nye tider for inn- og utmelding"));

    Label1.fill(nullptr, 28);
    for (const keyprop::LabelText &l : keyprop::Labels) {
        Label1[l.index] = new QLabel(QString::fromUtf8(l.text), this);
        Label1[l.index]->setObjectName(indexed("Label1", l.index));
    }
    lblKEYNumber = new QLabel(QStringLiteral("DØR NUMMER"), this);
    lblKEYNumber->setObjectName(QStringLiteral("lblKEYNumber"));
    LblKeyName = new QLabel(QStringLiteral("DØR NAVN"), this);
    LblKeyName->setObjectName(QStringLiteral("LblKeyName"));

    UpDown1 = new QWidget(this);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1Up = new QToolButton(UpDown1);
    UpDown1Up->setObjectName(QStringLiteral("UpDown1.Up"));
    UpDown1Up->setArrowType(Qt::UpArrow);
    UpDown1Down = new QToolButton(UpDown1);
    UpDown1Down->setObjectName(QStringLiteral("UpDown1.Down"));
    UpDown1Down->setArrowType(Qt::DownArrow);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(10000);
}

void frmKeyProperties::layoutControls()
{
    auto *arrows = new QVBoxLayout(UpDown1);
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    arrows->addWidget(UpDown1Up);
    arrows->addWidget(UpDown1Down);

    auto *left = new QGridLayout;
    auto plain = [this](const QString &text) { return new QLabel(text, this); };
    int row = 0;
    left->addWidget(lblKEYNumber, row, 0);
    left->addWidget(KeyTXT[0], row, 1);
    left->addWidget(UpDown1, row, 2);
    left->addWidget(LblKeyName, ++row, 0);
    left->addWidget(KeyTXT[1], row, 1);
    left->addWidget(Label1[2], ++row, 0);
    left->addWidget(KeyTXT[2], row, 1);
    left->addWidget(Label1[3], ++row, 0);
    left->addWidget(KeyTXT[3], row, 1);
    left->addWidget(Label1[12], ++row, 0);
    left->addWidget(KeyTXT[14], row, 1);
    left->addWidget(Command1[1], row, 2);
    for (int i = 4; i <= 8; ++i) {
        left->addWidget(Label1[i], ++row, 0);
        left->addWidget(KeyTXT[i], row, 1);
        left->addWidget(Command1[i], row, 2);
    }
    left->addWidget(Label1[9], ++row, 0);
    left->addWidget(KeyTXT[9], row, 1);
    left->addWidget(Command1[9], row, 2);
    left->addWidget(Label1[10], ++row, 0);
    left->addWidget(KeyTXT[10], row, 1);
    left->addWidget(Command1[10], row, 2);
    left->addWidget(plain(QStringLiteral("Alarmfunksjon")), ++row, 0);
    left->addWidget(KeyTXT[11], row, 1);
    left->addWidget(Command1[11], row, 2);
    left->addWidget(Combo1[4], ++row, 1);
    left->addWidget(plain(QStringLiteral("Lås status")), ++row, 0);
    left->addWidget(KeyTXT[12], row, 1);
    left->addWidget(Command1[12], row, 2);
    left->addWidget(Combo1[5], ++row, 1);
    left->addWidget(plain(QStringLiteral("Pulslengde")), ++row, 0);
    left->addWidget(KeyTXT[13], row, 1);
    left->addWidget(Command1[13], row, 2);
    left->addWidget(Label1[13], ++row, 0, 1, 2);
    left->addWidget(Command1[14], row, 2);

    auto *hours = new QGridLayout;
    hours->addWidget(Label1[14], 0, 0);
    hours->addWidget(Combo1[0], 0, 1);
    hours->addWidget(Label1[16], 0, 2);
    hours->addWidget(Combo1[1], 0, 3);
    hours->addWidget(Label1[15], 1, 0);
    hours->addWidget(Combo1[2], 1, 1);
    hours->addWidget(Label1[17], 1, 2);
    hours->addWidget(Combo1[3], 1, 3);
    hours->addWidget(Command1[21], 1, 4);
    left->addLayout(hours, ++row, 0, 1, 3);
    auto *models = new QHBoxLayout;
    for (QRadioButton *option : KeyType)
        models->addWidget(option);
    left->addLayout(models, ++row, 0, 1, 3);
    left->setRowStretch(++row, 1);

    auto *right = new QGridLayout;
    row = 0;
    const std::pair<int, int> groups[] = {{26, 15}, {25, 17}, {24, 19}, {27, 20}};
    for (const auto &[heading, firstBox] : groups) {
        right->addWidget(Label1[heading], row++, 0, 1, 3);
        const int lastBox = firstBox == 15 || firstBox == 17 ? firstBox + 1 : firstBox;
        for (int box = firstBox; box <= lastBox; ++box) {
            right->addWidget(Label1[box + 3], row, 0);
            // The texts the unit sends its users read whole (the defaults run to 35
            // characters).
            KeyTXT[box]->setMinimumWidth(KeyTXT[box]->fontMetrics().averageCharWidth() * 40);
            right->addWidget(KeyTXT[box], row, 1);
            right->addWidget(Command1[box], row++, 2);
        }
        if (firstBox == 15)
            right->addWidget(KeyTXT[21], row++, 1);
    }
    right->setRowStretch(row, 1);

    auto *main = new QHBoxLayout(this);
    main->addLayout(left, 1);
    main->addLayout(right, 2);
}

void frmKeyProperties::connectControls()
{
    for (int i = 0; i < keyprop::BoundBoxCount; ++i) {
        connect(KeyTXT[i], &QLineEdit::textChanged, this, [this, i] { KeyTXT_Change(i); });
        // Typing into the box the window gave the focus is entering it too.
        connect(KeyTXT[i], &QLineEdit::textEdited, this, [this, i] { KeyTXT_GotFocus(i); });
    }
    for (int i = 0; i < Combo1.size(); ++i)
        connect(Combo1[i], &QComboBox::activated, this, [this, i] { Combo1_Click(i); });
    for (int i = 0; i < KeyType.size(); ++i)
        connect(KeyType[i], &QRadioButton::clicked, this, [this, i] { KeyType_Click(i); });
    for (int i = 0; i < Command1.size(); ++i) {
        if (Command1[i])
            connect(Command1[i], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
    }
    connect(UpDown1Up, &QToolButton::clicked, this, &frmKeyProperties::UpDown1_UpClick);
    connect(UpDown1Down, &QToolButton::clicked, this, &frmKeyProperties::UpDown1_DownClick);
    connect(Timer1, &QTimer::timeout, this, &frmKeyProperties::Timer1_Timer);
}

bool frmKeyProperties::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        const QVariant index = watched->property("index");
        // Only the operator entering a box counts: the focus the window hands its first box as
        // it opens, or gives back when it comes to the front, would hold the reload back for
        // good, and nothing would start it again.
        switch (static_cast<QFocusEvent *>(event)->reason()) {
        case Qt::MouseFocusReason:
        case Qt::TabFocusReason:
        case Qt::BacktabFocusReason:
        case Qt::ShortcutFocusReason:
            if (index.isValid())
                KeyTXT_GotFocus(index.toInt());
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmKeyProperties::setDefaultTexts()
{
    AlarmChangeQuestion = QStringLiteral("Dette vil endre ALARMFUNKSJONEN. Vil du fortsette?");
    OwnNumberMissingText =
        QStringLiteral("Eget nummer er ikke angitt. Du bør sende dette til nøkkelenhet!!");
    OwnNumberCheckText = QStringLiteral("Sjekk om EGET NUMMER er riktig !!!");
    LockChangeQuestion = QStringLiteral(
        "Dette vil Åpne eller Lukke port eller dør for alle brukere. Vil du fortsette?");
    NewSettingText = QStringLiteral("Ny instilling (");
    SentToKeyText = QStringLiteral(") blir sendt til nøkkelenhet");
    OpeningTimePrompt = QStringLiteral("Tast inn ÅPNINGSTID hverdager");
    OpeningTimeTitle = QStringLiteral("ÅPNE");
    AlarmFunction.clear();
    for (const char *text : keyprop::AlarmFunctionDefaults)
        AlarmFunction << QString::fromUtf8(text);
    LockMode.clear();
    for (const char *text : keyprop::LockModeDefaults)
        LockMode << QString::fromUtf8(text);
}

void frmKeyProperties::ApplyLanguage()
{
    const LanguageTable::Texts texts =
        LanguageTable::load(m_state.SharedConnection, m_state.CountryCode);
    auto take = [&texts](int row, QString &target) {
        if (texts[size_t(row)])
            target = *texts[size_t(row)];
    };
    auto caption = [&texts](int row, auto *control) {
        if (texts[size_t(row)])
            control->setText(*texts[size_t(row)]);
    };
    caption(61, lblKEYNumber);
    caption(62, LblKeyName);
    for (const keyprop::LabelText &l : keyprop::Labels)
        caption(l.row, Label1[l.index]);
    for (int i = 4; i <= 21; ++i)
        caption(82 + i, Command1[i]);
    for (int box = 0; box < keyprop::BoxCount; ++box) {
        const int row = keyprop::boxTooltipRow(box);
        if (row && texts[size_t(row)])
            KeyTXT[box]->setToolTip(*texts[size_t(row)]);
    }
    if (texts[166])
        Command1[21]->setToolTip(*texts[166]);
    take(167, AlarmChangeQuestion);
    take(168, OwnNumberMissingText);
    take(169, OwnNumberCheckText);
    take(170, LockChangeQuestion);
    take(171, NewSettingText);
    take(172, SentToKeyText);
    take(173, OpeningTimePrompt);
    take(174, OpeningTimeTitle);
    for (int i = 0; i < AlarmFunction.size(); ++i)
        take(keyprop::AlarmFunctionFirstRow + i, AlarmFunction[i]);
    for (int i = 0; i < LockMode.size(); ++i)
        take(keyprop::LockModeFirstRow + i, LockMode[i]);
}

KeyModel frmKeyProperties::keyModel() const
{
    for (int i = 0; i < KeyType.size(); ++i) {
        if (KeyType[i]->isChecked())
            return KeyModel(i);
    }
    return KeyModel::None;
}

int frmKeyProperties::ListIndex(const QComboBox *box)
{
    const int index = box->currentIndex();
    return index >= 0 && box->currentText() == box->itemText(index) ? index : -1;
}

} // namespace portiva
