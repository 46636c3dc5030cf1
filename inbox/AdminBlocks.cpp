// What a unit reports of its own configuration: the admin listing and the role notices.

#include "inbox/CallState.h"
#include "inbox/InboxLog.h"
#include "inbox/InboxRepo.h"
#include "inbox/ReplyText.h"
#include "inbox/SmsInterpreter.h"
#include "inbox/SmsText.h"
#include "modem/GsmCharTables.h"

namespace portiva
{

namespace
{

const QString Keyword = QStringLiteral("Forvaltermann");

// Characters first .. last (1-based, inclusive); nothing when the range runs backwards.
std::optional<QString> span(const QString &text, int first, int last)
{
    if (first < 1 || last < first - 1)
        return std::nullopt;
    return SmsText::mid(text, first, last - first + 1);
}

std::optional<QString> national(std::optional<QString> number)
{
    if (number)
        *number = withoutCountryCode(*number);
    return number;
}

// The fields of an admin listing whose keyword stands at K. A field whose delimiters are not
// all there is left out, so nothing is taken from text outside the listing.
InboxRepo::AdminFields readAdminListing(const QString &working, int K)
{
    InboxRepo::AdminFields f;
    f.Beskrivelse =
        K > 2 ? GsmCharTables::decode(working.left(K - 2).toLatin1()) : QStringLiteral("");
    const int S = SmsText::inStr(K + 13, working, QStringLiteral("Assistent"));
    if (S >= K + 15) {
        f.Admin = national(span(working, K + 14, S - 2));
        // A ninth character that is no digit ends the number (a blank or line break after it).
        if (f.Admin && f.Admin->size() > 8 && !isDigitChar(f.Admin->at(8)))
            f.Admin = f.Admin->left(8);
    }

    // The labels follow one another from "Assistent" on, so none is taken from the name or the
    // admin number.
    int label[6] = {};
    int from = S ? S : K + 13;
    for (int n = 1; n <= 5; ++n) {
        label[n] = SmsText::inStr(from, working, QStringLiteral("A") + QString::number(n));
        if (!label[n])
            break;
        from = label[n] + 2;
    }
    std::optional<QString> *assistant[6] = {nullptr,   &f.Admin1, &f.Admin2,
                                            &f.Admin3, &f.Admin4, &f.Admin5};
    for (int n = 1; n <= 4; ++n) {
        if (label[n] && label[n + 1])
            *assistant[n] = national(span(working, label[n] + 4, label[n + 1] - 2));
    }
    const int E =
        label[5] ? SmsText::inStr(label[5] + 2, working, QStringLiteral("Eget Nummer")) : 0;
    if (E) {
        f.Admin5 = national(span(working, label[5] + 4, E - 3));
        if (const int L1 = SmsText::inStr(E, working, QStringLiteral("\n"))) {
            int L2 = SmsText::inStr(L1 + 2, working, QStringLiteral("\n"));
            if (!L2)
                L2 = L1 + 15;
            f.Eget_Nummer = national(span(working, L1 + 1, L2 - 2));
        }
    }

    return f;
}

} // namespace

void SmsInterpreter::adminListing(const QString &working, const CallState &call)
{
    // The Swedish form has ö (GSM 124) for its twelfth letter.
    static const QString swedish = Keyword.left(11) + QChar(0x7C) + Keyword.right(1);
    const int K = firstOf(working, {Keyword, swedish});
    if (!K || !SmsText::inStr(working, QStringLiteral("A1")) ||
        !SmsText::inStr(working, QStringLiteral("A2")) ||
        !SmsText::inStr(working, QStringLiteral("A3")))
        return;

    const InboxRepo::AdminFields f = readAdminListing(working, K);
    std::optional<qint64> row;
    if (!containedStep("find the listing unit", [&] { row = m_repo.keyUnitRow(call.sender); }))
        return;
    if (!row) {
        qCDebug(lcInbox).noquote() << "admin listing from" << call.sender << "which is no key unit";
        return;
    }
    containedStep("store the admin listing", [&] { m_repo.updateAdminFields(*row, f); });
}

void SmsInterpreter::adminNotices(const QString &working, const CallState &call)
{
    auto unit = [&] {
        std::optional<qint64> row;
        containedStep("find the notifying unit", [&] { row = m_repo.keyUnitRow(call.sender); });
        return row;
    };
    const bool welcome = SmsText::inStr(working, QStringLiteral("Velkommen ADMIN.")) > 0;
    if (welcome) {
        if (const auto row = unit())
            containedStep("admin welcome", [&] { m_repo.setKeyAdmin(*row, QStringLiteral("1")); });
    }
    if (SmsText::inStr(working, QStringLiteral("Velkommen som NY Assistent"))) {
        std::optional<qint64> row;
        if (containedStep("find the welcoming unit",
                          [&] { row = m_repo.keyUnitRow(call.sender); })) {
            if (row)
                containedStep("assistant welcome",
                              [&] { m_repo.setKeySikkerhet(*row, QStringLiteral("4")); });
            else
                containedStep("add the welcoming unit", [&] {
                    m_repo.insertAssistantUnit(call.sender, QStringLiteral("4"));
                });
        }
    }
    static const QStringList released = {QStringLiteral("Neste som sender SMS"),
                                         gsmPhrase("Den n%cste som sender en", {0x1D}),
                                         gsmPhrase(" som s%cnder SMS", {0x7B})};
    if (!welcome && firstOf(working, released)) {
        if (const auto row = unit())
            containedStep("admin released", [&] { m_repo.setKeyAdmin(*row, QStringLiteral("0")); });
    }
}

void SmsInterpreter::replies(QString &working, CallState &call)
{
    registrationReply(working, call);
    removalReply(working, call);
    logListing(working, call);
    userListing(working, call);
    adminListing(working, call);
    adminNotices(working, call);
}

} // namespace portiva
