#include <QDirIterator>
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
    QStringList m_paths;
    QStringList m_names;
    QSet<QString> m_words;
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
    static const QRegularExpression name(
        QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*(::~?[A-Za-z_][A-Za-z0-9_]*)*$"));
    for (auto m = span.globalMatch(text); m.hasNext();) {
        const QStringList words = m.next().captured(1).split(u' ', Qt::SkipEmptyParts);
        for (QString word : words) {
            word.remove(QRegularExpression(QStringLiteral("(\\(\\)|[,.;:])+$")));
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

    static const QRegularExpression wordPattern(QStringLiteral("[A-Za-z_][A-Za-z0-9_]*"));
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(root.size() + 1);
        if (skippedFolder(relative) || relative == u"ARCHITECTURE.md")
            continue;
        QFile file(path);
        if (file.size() > 4 * 1024 * 1024 || !file.open(QIODevice::ReadOnly))
            continue;
        const QString content = QString::fromUtf8(file.readAll());
        for (auto w = wordPattern.globalMatch(content); w.hasNext();)
            m_words.insert(w.next().captured());
        for (const QString &part : relative.split(u'/'))
            m_words.insert(QFileInfo(part).completeBaseName());
    }
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

// A qualified name counts when each of its parts is still spelled somewhere in the code.
void TestArchitecture::everyNameExists()
{
    QStringList missing;
    for (const QString &name : std::as_const(m_names)) {
        const QStringList parts = QString(name).remove(u'~').split(QStringLiteral("::"));
        for (const QString &part : parts)
            if (!m_words.contains(part)) {
                missing << name;
                break;
            }
    }
    QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("no longer in the code: ") +
                                           missing.join(QStringLiteral(", "))));
}

QTEST_GUILESS_MAIN(TestArchitecture)
#include "tst_architecture.moc"
