#include <QDirIterator>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

// ARCHITECTURE.md is the map a new engineer follows into the code; a path or a name it gives
// that no longer exists sends the reader nowhere, so every one of them is looked up in the tree.
class TestArchitecture : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void everyPathExists();
    void everyNameExists();

private:
    bool known(const QString &name) const;

    QStringList m_paths;
    QStringList m_names;
    // Words and qualified names spelled in the code (documentation does not count: a name that
    // only another text still gives leads the reader nowhere either), and the files that
    // declare each class, struct, enum or namespace, by their words.
    QSet<QString> m_words;
    QSet<QString> m_qualified;
    QHash<QString, QList<qsizetype>> m_declaredIn;
    QList<QSet<QString>> m_fileWords;
};

namespace
{

const QString root = QStringLiteral(PORTIVA_SOURCE_DIR);

bool skippedFolder(const QString &relative)
{
    return relative.startsWith(u".git") || relative.startsWith(u"build");
}

// Fenced blocks hold drawings and shell sessions, whose words are not claims about the tree.
QString withoutFences(const QString &text)
{
    static const QRegularExpression fence(QStringLiteral("^```.*?^```"),
                                          QRegularExpression::MultilineOption |
                                              QRegularExpression::DotMatchesEverythingOption);
    return QString(text).remove(fence);
}

bool looksLikePath(const QString &word)
{
    static const QRegularExpression file(
        QStringLiteral("\\.(h|cpp|sh|md|sql|cmake|txt|conf|ini|ui|qrc|def|map|in|html)$"));
    return word.contains(u'/') || file.match(word).hasMatch();
}

} // namespace

void TestArchitecture::initTestCase()
{
    QFile doc(root + QStringLiteral("/ARCHITECTURE.md"));
    QVERIFY2(doc.open(QIODevice::ReadOnly), "ARCHITECTURE.md is missing at the root");
    const QString text = withoutFences(QString::fromUtf8(doc.readAll()));
    static const QRegularExpression span(QStringLiteral("`([^`\\n]+)`"));
    // Given names carry Norwegian letters (mnuSMSSendingsbekreftelsePå).
    static const QRegularExpression name(
        QStringLiteral("^[\\p{L}_][\\p{L}\\p{N}_]*(::~?[\\p{L}_][\\p{L}\\p{N}_]*)*$"));
    static const QRegularExpression trailing(QStringLiteral("[,.;:]+$"));
    for (auto m = span.globalMatch(text); m.hasNext();) {
        const QStringList words = m.next().captured(1).split(u' ', Qt::SkipEmptyParts);
        for (QString word : words) {
            // A call written out, "dialogs().inputBox" or "print(job, rows)", names what stands
            // before its parenthesis.
            if (const qsizetype paren = word.indexOf(u'('); paren > 0)
                word.truncate(paren);
            word.remove(trailing);
            if (word.startsWith(u'-') || word.startsWith(u'~') || word.startsWith(u'/') ||
                word.startsWith(u'$') || word.contains(u'*') || word.contains(u'"'))
                continue;
            if (looksLikePath(word))
                m_paths << word;
            else if (name.match(word).hasMatch())
                m_names << word;
        }
    }
    QVERIFY2(!m_paths.isEmpty() && !m_names.isEmpty(), "no names found in ARCHITECTURE.md");

    static const QRegularExpression wordPattern(QStringLiteral("[\\p{L}_][\\p{L}\\p{N}_]*"));
    static const QRegularExpression qualifiedPattern(
        QStringLiteral("[\\p{L}_][\\p{L}\\p{N}_]*(::~?[\\p{L}_][\\p{L}\\p{N}_]*)+"));
    static const QRegularExpression declaration(QStringLiteral(
        "\\b(?:class|struct|enum(?: class)?|namespace)\\s+([\\p{L}_][\\p{L}\\p{N}_:]*)"));
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(root.size() + 1);
        if (skippedFolder(relative) || relative == u"ARCHITECTURE.md")
            continue;
        for (const QString &part : relative.split(u'/'))
            m_words.insert(QFileInfo(part).completeBaseName());
        QFile file(path);
        if (relative.endsWith(u".md") || file.size() > 4 * 1024 * 1024 ||
            !file.open(QIODevice::ReadOnly))
            continue;
        const QString content = QString::fromUtf8(file.readAll());
        QSet<QString> words;
        for (auto w = wordPattern.globalMatch(content); w.hasNext();)
            words.insert(w.next().captured());
        for (auto q = qualifiedPattern.globalMatch(content); q.hasNext();)
            m_qualified.insert(q.next().captured());
        for (auto d = declaration.globalMatch(content); d.hasNext();) {
            for (const QString &owner :
                 d.next().captured(1).split(QStringLiteral("::"), Qt::SkipEmptyParts))
                m_declaredIn[owner].append(m_fileWords.size());
        }
        m_words.unite(words);
        m_fileWords.append(std::move(words));
    }
}

// A plain name counts when the code still spells it. A qualified one counts when the code
// spells it so (a definition, a call), or when a file that declares its owner spells the
// member: a member that moved to another class no longer counts because some other class
// has one of that name.
bool TestArchitecture::known(const QString &name) const
{
    const QStringList parts = QString(name).remove(u'~').split(QStringLiteral("::"));
    for (const QString &part : parts)
        if (!m_words.contains(part))
            return false;
    if (parts.size() == 1 || m_qualified.contains(name))
        return true;
    const QString &member = parts.last();
    for (qsizetype file : m_declaredIn.value(parts.at(parts.size() - 2)))
        if (m_fileWords.at(file).contains(member))
            return true;
    return false;
}

void TestArchitecture::everyPathExists()
{
    QStringList missing;
    for (const QString &path : std::as_const(m_paths))
        if (!QFileInfo::exists(root + u'/' + path))
            missing << path;
    QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("no longer in the tree: ") +
                                           missing.join(QStringLiteral(", "))));
}

void TestArchitecture::everyNameExists()
{
    QStringList missing;
    for (const QString &name : std::as_const(m_names))
        if (!known(name))
            missing << name;
    QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("no longer in the code: ") +
                                           missing.join(QStringLiteral(", "))));
}

QTEST_GUILESS_MAIN(TestArchitecture)
#include "tst_architecture.moc"
