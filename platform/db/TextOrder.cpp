#include "platform/db/TextOrder.h"

#include "platform/db/DbDetail.h"

#include <atomic>
#include <sqlite3.h>
#include <unicode/ucol.h>

namespace portiva
{

namespace
{

enum Language { Norwegian, Danish, Swedish, LanguageCount };

const char *const kLocales[LanguageCount] = {"nb", "da", "sv"};

// One collator per language, made once and kept: a language switch only changes which one is
// used, so no statement ever holds a collator that was closed. Secondary strength: accents
// count, case does not.
struct Collators {
    UCollator *byLanguage[LanguageCount] = {};
    Collators()
    {
        for (int i = 0; i < LanguageCount; ++i) {
            UErrorCode status = U_ZERO_ERROR;
            UCollator *c = ucol_open(kLocales[i], &status);
            if (U_FAILURE(status)) {
                ucol_close(c);
                c = nullptr;
            } else {
                ucol_setStrength(c, UCOL_SECONDARY);
            }
            byLanguage[i] = c;
        }
    }
};

std::atomic<int> g_language{Norwegian};

// Nullptr only when ICU has no data at all; the folded texts alone then order the lists.
UCollator *collator()
{
    static const Collators collators;
    return collators.byLanguage[g_language.load(std::memory_order_relaxed)];
}

int sign(int r)
{
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int foldedUtf8(const char *a, int n1, const char *b, int n2)
{
    bool ascii = true;
    for (int i = 0; ascii && i < n1; ++i)
        ascii = static_cast<unsigned char>(a[i]) < 0x80;
    for (int i = 0; ascii && i < n2; ++i)
        ascii = static_cast<unsigned char>(b[i]) < 0x80;
    if (!ascii)
        return sign(dbdetail::compareNoCase(QString::fromUtf8(a, n1), QString::fromUtf8(b, n2)));
    const int n = std::min(n1, n2);
    for (int i = 0; i < n; ++i) {
        const int ca = (a[i] >= 'A' && a[i] <= 'Z') ? a[i] + 32 : a[i];
        const int cb = (b[i] >= 'A' && b[i] <= 'Z') ? b[i] + 32 : b[i];
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return n1 == n2 ? 0 : (n1 < n2 ? -1 : 1);
}

int listOrderCollation(void *, int n1, const void *v1, int n2, const void *v2)
{
    const auto *a = static_cast<const char *>(v1);
    const auto *b = static_cast<const char *>(v2);
    if (UCollator *c = collator()) {
        UErrorCode status = U_ZERO_ERROR;
        const UCollationResult r = ucol_strcollUTF8(c, a, n1, b, n2, &status);
        if (U_SUCCESS(status) && r != UCOL_EQUAL)
            return r == UCOL_LESS ? -1 : 1;
    }
    return foldedUtf8(a, n1, b, n2);
}

} // namespace

void setListLanguage(const QString &countryCode)
{
    const QString code = countryCode.trimmed();
    Language language = Norwegian;
    if (code == QLatin1String("45"))
        language = Danish;
    else if (code == QLatin1String("46"))
        language = Swedish;
    g_language.store(language, std::memory_order_relaxed);
}

QString listLanguage()
{
    return QString::fromLatin1(kLocales[g_language.load(std::memory_order_relaxed)]);
}

int compareListed(QStringView a, QStringView b)
{
    if (UCollator *c = collator()) {
        const UCollationResult r =
            ucol_strcoll(c, reinterpret_cast<const UChar *>(a.utf16()), int32_t(a.size()),
                         reinterpret_cast<const UChar *>(b.utf16()), int32_t(b.size()));
        if (r != UCOL_EQUAL)
            return r == UCOL_LESS ? -1 : 1;
    }
    return sign(dbdetail::compareNoCase(a, b));
}

QString listCollation()
{
    return QStringLiteral(" COLLATE LISTORDER");
}

namespace dbdetail
{

void registerListOrder(sqlite3 *db)
{
    if (sqlite3_create_collation_v2(db, "LISTORDER", SQLITE_UTF8, nullptr, listOrderCollation,
                                    nullptr) != SQLITE_OK)
        throwSqlite(db);
}

void appendListKey(QByteArray &out, QStringView text)
{
    UCollator *c = collator();
    if (!c || text.isEmpty())
        return;
    const auto *src = reinterpret_cast<const UChar *>(text.utf16());
    const qsizetype start = out.size();
    int32_t room = int32_t(std::max<qsizetype>(32, text.size() * 4));
    for (;;) {
        out.resize(start + room);
        const int32_t needed = ucol_getSortKey(
            c, src, int32_t(text.size()), reinterpret_cast<uint8_t *>(out.data() + start), room);
        if (needed <= room) {
            // The key ends in a zero byte no key has inside it; dropped, prefixes sort first.
            out.resize(start + std::max(0, needed - 1));
            return;
        }
        room = needed;
    }
}

} // namespace dbdetail

} // namespace portiva
