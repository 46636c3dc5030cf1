// Installing the build into a temporary prefix with the documented command, and printing from
// the installed programs as a user who never registered anything. Every per-user and
// system-wide location is redirected into the test's own folder.

#include "core/HelpFile.h"
#include "gridprint/ids.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QProcess>
#include <QSettings>
#include <QTcpSocket>
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

    // What a Linux user expects of installed programs: a valid desktop entry with an installed
    // icon, --version and --help, a manifest that lists what to remove, and a simulator that
    // answers as the demo's key units without being told where their description lies.
    void installFollowsTheDesktopConventions()
    {
        const QString prefix = m_dir.filePath(QStringLiteral("conventions"));
        const Run installed = install(prefix);
        QVERIFY2(installed.exitCode == 0, qPrintable(installed.out + installed.err));
        const QString entry = prefix + QStringLiteral("/share/applications/portiva3.desktop");
        const Run validated = run(QStringLiteral("desktop-file-validate"), {entry},
                                  QProcessEnvironment::systemEnvironment());
        QVERIFY2(validated.exitCode == 0 && validated.out.trimmed().isEmpty(),
                 qPrintable(validated.out + validated.err));
        const QString icon = QSettings(entry, QSettings::IniFormat)
                                 .value(QStringLiteral("Desktop Entry/Icon"))
                                 .toString();
        QCOMPARE(icon, QStringLiteral("portiva3"));
        const QString iconFile =
            prefix + QStringLiteral("/share/icons/hicolor/scalable/apps/portiva3.svg");
        QVERIFY(QFileInfo(iconFile).isFile());

        const QString bin = prefix + QStringLiteral("/bin/");
        const QProcessEnvironment user = userEnvironment(QStringLiteral("conventions-user"));
        for (const QString &program : {"Portiva3", "portiva-modemsim", "portiva-comreg"}) {
            const Run version = run(bin + program, {QStringLiteral("--version")}, user);
            QCOMPARE(version.exitCode, 0);
            QCOMPARE(version.out.trimmed(), program + QStringLiteral(" 3.0"));
            const Run help = run(bin + program, {QStringLiteral("--help")}, user);
            QCOMPARE(help.exitCode, 0);
            QVERIFY2(help.out.contains(QStringLiteral("--version")), qPrintable(help.out));
        }

        // Every installed file is in the manifest the README's uninstall removes.
        QFile manifest(QStringLiteral(PORTIVA_BINARY_DIR) +
                       QStringLiteral("/install_manifest.txt"));
        QVERIFY(manifest.open(QIODevice::ReadOnly));
        const QStringList listed = QString::fromLocal8Bit(manifest.readAll()).split(u'\n');
        for (const QString &file : {entry, iconFile, bin + "Portiva3",
                                    prefix + QStringLiteral("/share/portiva3/demo.conf"),
                                    prefix + QStringLiteral("/lib/portiva3/com-registry.ini")})
            QVERIFY2(listed.contains(file), qPrintable(file));

        // The installed simulator, started bare, is the demo's modem.
        QProcess sim;
        sim.setProcessEnvironment(user);
        sim.start(bin + QStringLiteral("portiva-modemsim"), {QStringLiteral("--tcp"), "0"});
        QVERIFY(sim.waitForReadyRead(10000));
        const QString line = QString::fromLocal8Bit(sim.readLine()).trimmed();
        QVERIFY2(line.startsWith(QStringLiteral("TCP 127.0.0.1:")), qPrintable(line));
        QTcpSocket modem;
        modem.connectToHost(QHostAddress::LocalHost, line.section(u':', 1).toUShort());
        QVERIFY(modem.waitForConnected(5000));
        modem.write("AT+CGSN\r");
        QByteArray answer;
        while (!answer.contains("OK") && modem.waitForReadyRead(5000))
            answer += modem.readAll();
        QVERIFY2(answer.contains("356938035643809"), answer.constData());
        sim.kill();
        sim.waitForFinished(5000);
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
