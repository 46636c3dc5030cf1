// The component layer: identifiers, strings, registration and creation by class id.

#include "helper_gridprint.h"
#include "platform/com/ComRegistry.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTest>
#include <dlfcn.h>
#include <thread>

using namespace portiva::com;
using namespace portiva::gridprint;
using namespace portiva::gridprint::test;

class TestComLayer : public QObject
{
    Q_OBJECT

    void *library() { return dlopen(TABULON_LIBRARY, RTLD_NOW | RTLD_LOCAL); }
    template <class F> F exported(const char *name)
    {
        return reinterpret_cast<F>(dlsym(library(), name));
    }

private slots:
    void guidText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::newRow("braced") << "{F492B05B-05EC-4880-B2F9-76593A62B5EC}" << true;
        QTest::newRow("bare lower") << "f492b05b-05ec-4880-b2f9-76593a62b5ec" << true;
        QTest::newRow("short") << "{F492B05B-05EC-4880-B2F9-76593A62B5E}" << false;
        QTest::newRow("not hex") << "G492B05B-05EC-4880-B2F9-76593A62B5EC" << false;
    }
    void guidText()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        bool good = false;
        const Guid g = Guid::parse(text, &good);
        QCOMPARE(good, ok);
        if (ok) {
            QVERIFY(g == CLSID_VeskDGPrinterL);
            QCOMPARE(g.toString(), QStringLiteral("{F492B05B-05EC-4880-B2F9-76593A62B5EC}"));
            QCOMPARE(g.toKey(), QStringLiteral("F492B05B-05EC-4880-B2F9-76593A62B5EC"));
        }
    }

    void bstrCarriesLengthAndText()
    {
        BStr s = bstrFrom(QStringLiteral("Nøkler\u0000x"));
        QCOMPARE(bstrLen(s), 8u);
        QCOMPARE(takeBStr(s), QStringLiteral("Nøkler\u0000x"));
        QVERIFY(!s);
        QCOMPARE(toQString(nullptr), QString());
    }

    void registerWritesTheClassAndCreates()
    {
        RegisteredTabulon reg;
        QVERIFY(reg.ok());
        QSettings ini(reg.registryFile(), QSettings::IniFormat);
        const QString key = "CLSID/" + CLSID_VeskDGPrinterL.toKey() + "/";
        QCOMPARE(ini.value(key + "InprocServer").toString(),
                 QFileInfo(TABULON_LIBRARY).canonicalFilePath());
        QCOMPARE(ini.value(key + "Name").toString(), QStringLiteral("VeskDGPrinterL"));
        QCOMPARE(ini.value(key + "ThreadingModel").toString(), QStringLiteral("Apartment"));
        QCOMPARE(ini.value("Interface/" + IID__VeskDGPrinterL.toKey() + "/NumMethods").toInt(), 90);

        HResult hr = E_FAIL_;
        I_VeskDGPrinterL *p = createPrinter(&hr);
        QCOMPARE(hr, S_OK_);
        QVERIFY(p);
        void *out = reinterpret_cast<void *>(1);
        QCOMPARE(p->queryInterface(IID_IRecordsetLike, &out), E_NOINTERFACE_);
        QVERIFY(!out);
        QCOMPARE(p->queryInterface(IID_IErrorInfoLike, &out), S_OK_);
        static_cast<IErrorInfoLike *>(out)->release();

        auto canUnload = exported<HResult (*)()>("DllCanUnloadNow");
        QCOMPARE(canUnload(), S_FALSE_);
        QCOMPARE(p->release(), 0u);
        QCOMPARE(canUnload(), S_OK_);

        QVERIFY(RegisteredTabulon::comreg({"-u", TABULON_LIBRARY}));
        QVERIFY(!createPrinter(&hr));
        QCOMPARE(hr, REGDB_E_CLASSNOTREG_);
    }

    void missingLibraryIsReported()
    {
        RegisteredTabulon reg;
        QSettings ini(reg.registryFile(), QSettings::IniFormat);
        ini.setValue("CLSID/" + CLSID_VeskDGPrinterL.toKey() + "/InprocServer",
                     reg.dir() + "/gone/libtabulon.so");
        ini.sync();
        HResult hr = S_OK_;
        QVERIFY(!createPrinter(&hr));
        QCOMPARE(hr, E_MODULE_NOT_FOUND_);
        QVERIFY(lastErrorText().contains("gone"));
    }

    void factoryRefusals()
    {
        auto getClassObject =
            exported<HResult (*)(const Guid &, const Guid &, void **)>("DllGetClassObject");
        QVERIFY(getClassObject);
        void *out = nullptr;
        QCOMPARE(getClassObject(IID_IGridLike, IID_IClassFactoryLike, &out),
                 CLASS_E_CLASSNOTAVAILABLE_);
        QCOMPARE(getClassObject(CLSID_VeskDGPrinterL, IID_IClassFactoryLike, &out), S_OK_);
        auto *factory = static_cast<IClassFactoryLike *>(out);
        FakeGrid outer({});
        QCOMPARE(factory->createInstance(&outer, IID__VeskDGPrinterL, &out),
                 CLASS_E_NOAGGREGATION_);

        HResult fromThread = S_OK_;
        std::thread([&] {
            void *o = nullptr;
            fromThread = factory->createInstance(nullptr, IID__VeskDGPrinterL, &o);
        }).join();
        QCOMPARE(fromThread, RPC_E_WRONG_THREAD_);

        QCOMPARE(factory->createInstance(nullptr, IID__VeskDGPrinterL, &out), S_OK_);
        auto *p = static_cast<I_VeskDGPrinterL *>(out);
        HResult entryFromThread = S_OK_;
        std::thread([&] { entryFromThread = p->put_maxLines(3); }).join();
        QCOMPARE(entryFromThread, RPC_E_WRONG_THREAD_);
        p->release();
        factory->release();
    }

    // Registering from the library's own folder by its bare file name registers that file.
    void registerByFileNameInTheCurrentFolder()
    {
        RegisteredTabulon reg;
        const QString copy = reg.dir() + "/libtabulon-here.so";
        QVERIFY(QFile::copy(TABULON_LIBRARY, copy));
        QProcess tool;
        tool.setWorkingDirectory(reg.dir());
        tool.start(QStringLiteral(PORTIVA_COMREG), {"libtabulon-here.so"});
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 0);
        QSettings ini(reg.registryFile(), QSettings::IniFormat);
        QCOMPARE(ini.value("CLSID/" + CLSID_VeskDGPrinterL.toKey() + "/InprocServer").toString(),
                 QFileInfo(copy).canonicalFilePath());
    }

    // A second copy of the library must not remove the registration of the first.
    void unregisterBySecondInstallKeepsFirst()
    {
        RegisteredTabulon reg;
        QVERIFY(reg.ok());
        const QString copy = reg.dir() + "/libtabulon-copy.so";
        QVERIFY(QFile::copy(TABULON_LIBRARY, copy));
        QVERIFY(RegisteredTabulon::comreg({"-u", copy}));
        QSettings ini(reg.registryFile(), QSettings::IniFormat);
        QCOMPARE(ini.value("CLSID/" + CLSID_VeskDGPrinterL.toKey() + "/InprocServer").toString(),
                 QFileInfo(TABULON_LIBRARY).canonicalFilePath());
    }
};

QTEST_MAIN(TestComLayer)
#include "tst_comlayer.moc"
