#pragma once

#include "tools/modemsim/SmsStore.h"

#include <QByteArray>
#include <QList>

namespace portiva::modemsim
{

class ModemSim;
struct FaultRule;

// V.250 command lines and the 27.005 text-mode commands. Output goes through the simulator,
// which applies the line faults; notices wait while a response or a text entry is open.
class AtEngine
{
public:
    explicit AtEngine(ModemSim &sim);

    void input(const QByteArray &bytes);
    bool idle() const { return !m_busy && !m_executing && m_mode == Mode::Command; }
    void linkLost();

    // Entry layouts, shared with the control channel's `list`.
    QByteArray listingLines(const SmsEntry &e, int index) const;
    QByteArray readLines(const SmsEntry &e) const;

private:
    enum class Mode { Command, TextEntry };
    enum class Final { Ok, Error, Cms, Cme, NotSupport, Prompt };
    struct Result {
        Final final = Final::Ok;
        int code = 0;
    };
    struct Arg {
        QByteArray text;
        bool quoted = false;
    };
    struct Command {
        QByteArray name; // upper case, "+CMGS", "E", "&F"
        enum Type { Exec, Query, Test, Set } type = Exec;
        QList<Arg> args;
        int number = 0; // the digits after a basic command
        bool hasNumber = false;
    };

    void commandByte(char b);
    void textByte(char b);
    void processLine(const QByteArray &line);
    void execute(const QByteArray &afterAt);
    void executeLine(const QByteArray &afterAt);
    bool splitCommands(const QByteArray &text, QList<QByteArray> *pieces) const;
    static Command parse(const QByteArray &piece);
    static QList<Arg> parseArgs(const QByteArray &text);
    Result run(const Command &c, QByteArray *info);
    Result runBasic(const Command &c, QByteArray *info);
    Result runIdentity(const Command &c, QByteArray *info);
    Result runSetting(const Command &c, QByteArray *info, bool *handled);
    Result runStorage(const Command &c, QByteArray *info, bool *handled);
    Result cscs(const Command &c, QByteArray *info);
    Result cnmi(const Command &c, QByteArray *info);
    Result cpms(const Command &c, QByteArray *info);
    Result cmgl(const Command &c, QByteArray *info);
    Result cmgr(const Command &c, QByteArray *info);
    Result cmgd(const Command &c, QByteArray *info);
    Result cmgs(const Command &c);
    void submitText();
    void finish(QByteArray out, int delayMs);
    void drain();
    void flushEcho();

    void addInfo(QByteArray *info, const QList<QByteArray> &lines) const;
    QByteArray finalText(const Result &r) const;
    QByteArray encodeField(const QString &text) const;
    QByteArray encodeBody(const QByteArray &gsm) const;
    QString decodeText(const QByteArray &bytes) const;
    bool memoryOffered(const QString &mem) const;
    bool cnmiAllowed(int position, int value) const;

    ModemSim &m_sim;
    Mode m_mode = Mode::Command;
    bool m_busy = false;
    bool m_executing = false;
    QByteArray m_line;
    QByteArray m_pending;
    QByteArray m_echo;
    QByteArray m_text;
    QString m_textDa;
    bool m_textQuoted = true;
};

} // namespace portiva::modemsim
