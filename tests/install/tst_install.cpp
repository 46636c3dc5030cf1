// Installing the build into a temporary prefix with the documented command, and printing from
// the installed programs as a user who never registered anything. Every per-user and
// system-wide location is redirected into the test's own folder.

#include "core/HelpFile.h"
#include "gridprint/ids.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace
{

const QString kClassKey = QStringLiteral("CLSID/") +
                          portiva::gridprint::CLSID_VeskDGPrinterL.toKey() +
                          QStringLiteral("/InprocServer");

struct Run {
    int exitCode = -1;
    QString out, err;
};

Run run(const QString &program, const QStringList &args, const QProcessEnvironment &env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    Run r;
    if (p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit)
        r.exitCode = p.exitCode();
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

QString pdfText(const QString &pdf)
{
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")},
               QProcessEnvironment::systemEnvironment())
        .out;
}

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    // A user of the machine with a home of their own and no registration anywhere.
    QProcessEnvironment userEnvironment(const QString &name)
    {
        const QString home = m_dir.filePath(name);
        QDir().mkpath(home);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
        env.insert(QStringLiteral("XDG_CONFIG_DIRS"), m_dir.filePath(QStringLiteral("xdg")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.remove(QStringLiteral("PORTIVA_COM_REGISTRY"));
        env.remove(QStringLiteral("DESTDIR"));
        return env;
    }

    Run install(const QString &prefix, const QString &destdir = {})
    {
        QProcessEnvironment env = userEnvironment(QStringLiteral("installer"));
        if (!destdir.isEmpty())
            env.insert(QStringLiteral("DESTDIR"), destdir);
        return run(QStringLiteral(PORTIVA_CMAKE),
                   {QStringLiteral("--install"), QStringLiteral(PORTIVA_BINARY_DIR),
                    QStringLiteral("--prefix"), prefix},
                   env);
    }

private slots:
    void installedProgramPrintsForEveryUser()
    {
        const QString prefix = m_dir.filePath(QStringLiteral("prefix"));
        const Run installed = install(prefix);
        QVERIFY2(installed.exitCode == 0, qPrintable(installed.out + installed.err));

        const QString bin = prefix + QStringLiteral("/bin/");
        const QString library = prefix + QStringLiteral("/lib/portiva3/libtabulon.so");
        for (const QString &program :
             {bin + "Portiva3", bin + "portiva-modemsim", bin + "portiva-comreg"})
            QVERIFY2(QFileInfo(program).isExecutable(), qPrintable(program));
        QVERIFY(QFileInfo(library).isFile());
        QCOMPARE(portiva::helpFileFor(bin),
                 prefix + QStringLiteral("/share/portiva3/RIZERUDO.html"));
        QSettings desktop(prefix + QStringLiteral("/share/applications/portiva3.desktop"),
                          QSettings::IniFormat);
        QCOMPARE(desktop.value(QStringLiteral("Desktop Entry/Exec")).toString(), bin + "Portiva3");
        const QString registry = prefix + QStringLiteral("/lib/portiva3/com-registry.ini");
        QCOMPARE(QSettings(registry, QSettings::IniFormat).value(kClassKey).toString(), library);
        // The install wrote nothing for the installing user nor into the system's folders.
        QVERIFY(QDir(m_dir.filePath(QStringLiteral("installer"))).isEmpty());
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("xdg"))));

        // The installed program runs from its prefix alone.
        QProcessEnvironment user = userEnvironment(QStringLiteral("operator"));
        user.insert(QStringLiteral("PORTIVA_ADMIN_PASSWORD"), QStringLiteral("demo"));
        const QString database = m_dir.filePath(QStringLiteral("Brimo02.mdb"));
        QCOMPARE(
            run(bin + "Portiva3", {QStringLiteral("--create-database"), database}, user).exitCode,
            0);

        // A user who registered nothing prints through the installation's registration.
        const QString probe = bin + QStringLiteral("probe");
        QVERIFY(QFile::copy(QStringLiteral(PORTIVA_INSTALL_PROBE), probe));
        const QString pdf = m_dir.filePath(QStringLiteral("printed.pdf"));
        Run printed = run(probe, {pdf}, user);
        QVERIFY2(printed.exitCode == 0, qPrintable(printed.err));
        QCOMPARE(printed.out.trimmed(), library);
        const QString text = pdfText(pdf);
        QVERIFY2(text.contains(QStringLiteral("+46701234567")) &&
                     text.contains(QStringLiteral("28/12/2099")),
                 qPrintable(text));
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("operator/.config/portiva"))));

        // Without the installation's registration the failure says what to run, and that works.
        QVERIFY(QFile::remove(registry));
        const Run refused = run(probe, {pdf}, user);
        QCOMPARE(refused.exitCode, 3);
        QVERIFY2(refused.err.contains(QStringLiteral("Class not registered (0x80040154)")),
                 qPrintable(refused.err));
        const QString command = bin + QStringLiteral("portiva-comreg ") + library;
        QVERIFY2(refused.err.contains(command), qPrintable(refused.err));
        QCOMPARE(run(bin + "portiva-comreg", {library}, user).exitCode, 0);
        printed = run(probe, {pdf}, user);
        QVERIFY2(printed.exitCode == 0, qPrintable(printed.err));
    }

    // A staged install (DESTDIR) records the final paths, not the staging tree's.
    void stagedInstallNamesTheFinalPrefix()
    {
        const QString stage = m_dir.filePath(QStringLiteral("stage"));
        const QString prefix = QStringLiteral("/opt/portiva3");
        const Run installed = install(prefix, stage);
        QVERIFY2(installed.exitCode == 0, qPrintable(installed.out + installed.err));
        const QString root = stage + prefix;
        QVERIFY(QFileInfo(root + QStringLiteral("/lib/portiva3/libtabulon.so")).isFile());
        QSettings registry(root + QStringLiteral("/lib/portiva3/com-registry.ini"),
                           QSettings::IniFormat);
        QCOMPARE(registry.value(kClassKey).toString(),
                 prefix + QStringLiteral("/lib/portiva3/libtabulon.so"));
        QSettings desktop(root + QStringLiteral("/share/applications/portiva3.desktop"),
                          QSettings::IniFormat);
        QCOMPARE(desktop.value(QStringLiteral("Desktop Entry/Exec")).toString(),
                 prefix + QStringLiteral("/bin/Portiva3"));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
