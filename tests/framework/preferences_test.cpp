#include "framework/frameworktext.h"
#include "framework/inifile.h"
#include "framework/preferences.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace {

QStringList Lines(const char *text)
{
    return QString::fromUtf8(text).split(QLatin1Char('\n'));
}

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// ---------------------------------------------------------------- the ini text

TEST(IniDocument, KeepsEveryLineAndFindsValuesAsTheFormatSays)
{
    const QStringList text = Lines("stray text before any header\n"
                                   "[]\n"
                                   "Version=Tarvex by  Orin Brontel\n"
                                   "\n"
                                   "[UIForm]\n"
                                   "Volume=5000\n"
                                   "no equal sign here\n"
                                   "volume=second line of the name\n"
                                   "Template=a=b\n"
                                   "\n"
                                   "After=the empty line\n"
                                   "[uiform]\n"
                                   "Volume=second section of the path\n"
                                   "[UIForm\\FileNames]\n"
                                   "String0=/v/a.avi");
    const TIniDocument doc(text);
    EXPECT_EQ(doc.lines(), text); // nothing read is lost or reordered

    const int form = doc.findSection(QStringLiteral("UIFORM"));
    ASSERT_GE(form, 0);
    EXPECT_EQ(doc.sectionPath(form), QStringLiteral("UIForm"));              // the first section of a path
    EXPECT_EQ(doc.value(form, QStringLiteral("VOLUME")), QStringLiteral("5000")); // the first line of a name
    EXPECT_EQ(doc.value(form, QStringLiteral("Template")), QStringLiteral("a=b")); // after the first "="
    EXPECT_EQ(doc.value(form, QStringLiteral("After")), std::nullopt);       // past the empty line
    EXPECT_EQ(doc.valueNames(form), QStringList({"Volume", "volume", "Template"}));
    EXPECT_EQ(doc.value(doc.findSection(QString()), QStringLiteral("Version")), QStringLiteral("Tarvex by  Orin Brontel"));
    EXPECT_EQ(doc.findSection(QStringLiteral("Missing")), -1);
    EXPECT_EQ(doc.subKeyNames(QString()), QStringList({"UIForm"}));
    EXPECT_EQ(doc.subKeyNames(QStringLiteral("uiform")), QStringList({"FileNames"}));
}

TEST(IniDocument, WritesInPlaceAtTheEndOfTheSectionAndAppendsSections)
{
    TIniDocument doc(Lines("[]\nVersion=1\n\n[UIForm]\nVolume=5000\n\nkept=line"));
    const int form = doc.findSection(QStringLiteral("UIForm"));
    EXPECT_TRUE(doc.setValue(form, QStringLiteral("volume"), QStringLiteral("10")));
    EXPECT_TRUE(doc.setValue(form, QStringLiteral("Mute"), QStringLiteral("True")));
    const int fonts = doc.addSection(QStringLiteral("UIForm\\IncrustFont"));
    EXPECT_TRUE(doc.setValue(fonts, QStringLiteral("Name"), QStringLiteral("Arial")));
    EXPECT_TRUE(doc.deleteValue(doc.findSection(QString()), QStringLiteral("VERSION")));
    EXPECT_FALSE(doc.deleteValue(form, QStringLiteral("Nothing")));
    EXPECT_EQ(doc.lines(), Lines("[]\n\n[UIForm]\nvolume=10\nMute=True\n\nkept=line\n\n[UIForm\\IncrustFont]\nName=Arial"));

    // What one line cannot hold is refused and changes nothing.
    const QStringList before = doc.lines();
    EXPECT_FALSE(doc.setValue(form, QStringLiteral("Two\nlines"), QStringLiteral("x")));
    EXPECT_FALSE(doc.setValue(form, QStringLiteral("Name"), QStringLiteral("line\r\nbreak")));
    EXPECT_FALSE(doc.setValue(form, QStringLiteral("a=b"), QStringLiteral("x")));
    EXPECT_FALSE(doc.setValue(form, QStringLiteral("[x]"), QStringLiteral("]")));
    EXPECT_EQ(doc.addSection(QStringLiteral("bad]")), -1);
    EXPECT_EQ(doc.lines(), before);
}

// ---------------------------------------------------------------- the text files

TEST(FrameworkText, WritesUtf16WithAByteOrderMarkAndCrLf)
{
    const QByteArray bytes = EncodeFrameworkLines({QStringLiteral("[]"), QStringLiteral("é=€")});
    EXPECT_EQ(bytes, QByteArray("\xFF\xFE[\0]\0\r\0\n\0\xE9\0=\0\xAC\x20\r\0\n\0", 20));
    EXPECT_EQ(DecodeFrameworkLines(bytes), QStringList({"[]", "é=€"}));
}

struct TDecodeCase
{
    const char *name;
    QByteArray bytes;
    QStringList lines;
};

class DecodeFrameworkText : public testing::TestWithParam<TDecodeCase> {};

TEST_P(DecodeFrameworkText, ReadsWhatIsSound)
{
    EXPECT_EQ(DecodeFrameworkLines(GetParam().bytes), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, DecodeFrameworkText,
    testing::Values(
        TDecodeCase{"Utf16Be", QByteArray("\xFE\xFF\0[\0]\0\r\0\n\0a", 12), {"[]", "a"}},
        TDecodeCase{"Utf8Bom", QByteArray("\xEF\xBB\xBF[]\r\n\xC3\xA9=1"), {"[]", "é=1"}},
        TDecodeCase{"NoBomIsTheLocaleEncoding", QByteArray("[]\na=b\rc=d\r\n"), {"[]", "a=b", "c=d"}},
        TDecodeCase{"OddByteAtTheEnd", QByteArray("\xFF\xFE[\0]\0\r\0\n\0a\0b", 13), {"[]", "a\uFFFD"}},
        TDecodeCase{"Utf16WithoutBomReadAsBytes", QByteArray("[\0]\0\r\0\n\0", 8), {QString::fromUtf16(u"[\0]\0", 4), QString(QChar(0)), QString(QChar(0))}},
        TDecodeCase{"BadUtf8", QByteArray("a=\xFF\xFE\xFD\n"), {"a=\uFFFD\uFFFD\uFFFD"}},
        TDecodeCase{"SecondByteOrderMarkIsText", QByteArray("\xFF\xFE\xFF\xFE" "a\0", 6), {QChar(0xFEFF) + QStringLiteral("a")}},
        TDecodeCase{"Empty", QByteArray(), {}}),
    [](const testing::TestParamInfo<TDecodeCase> &info) { return info.param.name; });

TEST(FrameworkText, ReadsALongFileUpToTheLimitAndDropsTheCutLine)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.txt"));
    ASSERT_TRUE(WriteFrameworkTextFile(path, {QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third")}));
    const TFrameworkTextRead cut = ReadFrameworkTextFile(path, 2 + 2 * 10); // inside "second"
    EXPECT_TRUE(cut.ok);
    EXPECT_TRUE(cut.truncated);
    EXPECT_EQ(cut.lines, QStringList({"first"}));

    const TFrameworkTextRead missing = ReadFrameworkTextFile(dir.filePath(QStringLiteral("none.txt")));
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.errorString.isEmpty());

    // A failed write keeps the old file.
    EXPECT_FALSE(WriteFrameworkTextFile(dir.filePath(QStringLiteral("no/such/folder/x.txt")), {QStringLiteral("x")}));
}

// ---------------------------------------------------------------- the back ends

struct TBackEndCase
{
    const char *name;
    std::function<std::unique_ptr<TPreferencesMan>(const QString &folder)> open;
};

class BackEnd : public testing::TestWithParam<TBackEndCase>
{
protected:
    std::unique_ptr<TPreferencesMan> open() { return GetParam().open(m_dir.path()); }

    // The store through the preferences component, as the actions see it.
    std::unique_ptr<TBrontelPreferences> component()
    {
        const TPreferencesPlaces places = TPreferencesPlaces::At(QStringLiteral("Tarvex"), m_dir.filePath(QStringLiteral("bin/tarvex")),
                                                                 m_dir.filePath(QStringLiteral("config")));
        QDir().mkpath(places.programFolder);
        auto gp = std::make_unique<TBrontelPreferences>(places);
        gp->SetMode(std::string_view(GetParam().name) == "Ini" ? TSavePreferences::spPortable : TSavePreferences::spRegistre);
        return gp;
    }

    QTemporaryDir m_dir;
};

TEST_P(BackEnd, ValuesOfEveryTypeComeBackAfterARestart)
{
    const QStringList files{"/v/a.avi", "", " leading blank", "/v/ü.avi", "a, b", "@at"};
    QStringList many;
    for (int i = 0; i < 12; ++i)
        many << QString::number(i);
    const TFontValue font{QStringLiteral("Courier New"), -21, 0x00FFFFFF, 0, 2, 120, true, false, true, false};
    const TRectValue rect{-5, 10, 967, 761};
    {
        auto gp = component();
        ASSERT_TRUE(gp->OpenKey(QStringLiteral("UIForm")));
        EXPECT_TRUE(gp->WriteBool(QStringLiteral("mirror"), true));
        EXPECT_TRUE(gp->WriteInteger(QStringLiteral("Volume"), -2147483647 - 1));
        EXPECT_TRUE(gp->WriteFloat(QStringLiteral("DecalageDisplay"), -1.0 / 24));
        EXPECT_TRUE(gp->WriteString(QStringLiteral("FormatAfficherDatecode"), QStringLiteral(" ddddd tt")));
        EXPECT_TRUE(gp->WriteStrings(QStringLiteral("FileNames"), files));
        EXPECT_TRUE(gp->WriteStrings(QStringLiteral("Many"), many));
        EXPECT_TRUE(gp->WriteStrings(QStringLiteral("Emptied"), {QStringLiteral("x"), QStringLiteral("y")}));
        EXPECT_TRUE(gp->WriteStrings(QStringLiteral("Emptied"), {}));
        EXPECT_TRUE(gp->WriteFont(QStringLiteral("IncrustFont"), font));
        EXPECT_TRUE(gp->WriteRect(QStringLiteral("FormSave"), rect));
        EXPECT_TRUE(gp->CloseKey());
        EXPECT_EQ(gp->SaveAtQuit({}), TBrontelPreferences::TQuitResult::Saved);
    }
    auto gp = component();
    ASSERT_TRUE(gp->OpenKey(QStringLiteral("uiform")));
    EXPECT_EQ(gp->FindBool(QStringLiteral("MIRROR")), true);
    EXPECT_EQ(gp->FindInteger(QStringLiteral("Volume")), -2147483647 - 1);
    EXPECT_EQ(gp->FindFloat(QStringLiteral("DecalageDisplay")), -1.0 / 24);
    EXPECT_EQ(gp->FindString(QStringLiteral("FormatAfficherDatecode")), QStringLiteral(" ddddd tt"));
    EXPECT_EQ(gp->FindStrings(QStringLiteral("FileNames")), files);
    EXPECT_EQ(gp->FindStrings(QStringLiteral("Many")), many); // String10 after String9
    EXPECT_EQ(gp->ReadStrings(QStringLiteral("Emptied"), {QStringLiteral("default")}), QStringList());
    EXPECT_EQ(gp->FindFont(QStringLiteral("IncrustFont")), font);
    EXPECT_EQ(gp->FindRect(QStringLiteral("FormSave")), rect);
    EXPECT_EQ(gp->currentKey(), QStringLiteral("uiform")); // compound reads come back out of their sub-key

    // Missing values give the defaults.
    EXPECT_EQ(gp->ReadInteger(QStringLiteral("Absent"), 920), 920);
    EXPECT_EQ(gp->ReadStrings(QStringLiteral("Absent"), {QStringLiteral("d")}), QStringList({"d"}));
    EXPECT_EQ(gp->ReadRect(QStringLiteral("Volume"), rect), rect); // a value, not a sub-key
}

TEST_P(BackEnd, KeysOpenCloseAndListAsATree)
{
    auto store = open();
    EXPECT_FALSE(store->OpenKey(QStringLiteral("UIForm"), false));
    ASSERT_TRUE(store->OpenKey(QStringLiteral("UIForm"), true));
    ASSERT_TRUE(store->OpenKey(QStringLiteral("IncrustFont"), true));
    EXPECT_EQ(store->currentPath(), QStringLiteral("UIForm\\IncrustFont"));
    EXPECT_TRUE(store->WriteString(QStringLiteral("Name"), QStringLiteral("Arial")));
    ASSERT_TRUE(store->CloseKey());
    EXPECT_TRUE(store->WriteInteger(QStringLiteral("Volume"), 5));
    EXPECT_EQ(store->GetKeyNames(), QStringList({"IncrustFont"}));
    EXPECT_EQ(store->GetValueNames(), QStringList({"Volume"}));
    EXPECT_TRUE(store->DeleteValue(QStringLiteral("VOLUME")));
    EXPECT_EQ(store->ReadInteger(QStringLiteral("Volume")), std::nullopt);
    ASSERT_TRUE(store->CloseKey());
    EXPECT_EQ(store->currentPath(), QString());
    EXPECT_EQ(store->GetKeyNames(), QStringList({"UIForm"}));
    // Names a key cannot hold.
    EXPECT_FALSE(store->OpenKey(QString(), true));
    EXPECT_FALSE(store->OpenKey(QStringLiteral("a\\b"), true));
    EXPECT_FALSE(store->WriteString(QStringLiteral("a\nb"), QStringLiteral("x")));
}

INSTANTIATE_TEST_SUITE_P(
    Stores, BackEnd,
    testing::Values(TBackEndCase{"Registry", [](const QString &folder) -> std::unique_ptr<TPreferencesMan> {
                                     return std::make_unique<TRegPreferencesMan>(folder + QLatin1String("/store.conf"), false);
                                 }},
                    TBackEndCase{"Ini", [](const QString &folder) -> std::unique_ptr<TPreferencesMan> {
                                     return std::make_unique<TIniPreferencesMan>(folder + QLatin1String("/store.ini"), false);
                                 }}),
    [](const testing::TestParamInfo<TBackEndCase> &info) { return info.param.name; });

struct TIniReadCase
{
    const char *line;
    std::optional<bool> boolean;
    std::optional<qint32> integer;
    std::optional<double> number;
};

class IniValueRules : public testing::TestWithParam<TIniReadCase> {};

TEST_P(IniValueRules, ReadTheTextAsTheIniFormatSays)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.ini"));
    ASSERT_TRUE(WriteFrameworkTextFile(path, {QStringLiteral("[]"), QLatin1String("v=") + QString::fromUtf8(GetParam().line)}));
    TIniPreferencesMan store(path, true);
    EXPECT_EQ(store.ReadBool(QStringLiteral("v")), GetParam().boolean);
    EXPECT_EQ(store.ReadInteger(QStringLiteral("v")), GetParam().integer);
    EXPECT_EQ(store.ReadFloat(QStringLiteral("v")), GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, IniValueRules,
    testing::Values(TIniReadCase{"True", true, 0, 0.0},
                    TIniReadCase{"False", false, 0, 0.0},
                    TIniReadCase{"TRUE", std::nullopt, 0, 0.0}, // not a Boolean: the default
                    TIniReadCase{"1", std::nullopt, 1, 1.0},
                    TIniReadCase{"-2147483648", std::nullopt, -2147483647 - 1, -2147483648.0},
                    TIniReadCase{"2147483648", std::nullopt, 0, 2147483648.0}, // past 32 bits: 0
                    TIniReadCase{"abc", std::nullopt, 0, 0.0},                 // no number: 0, and read
                    TIniReadCase{"0.25", std::nullopt, 0, 0.25},
                    TIniReadCase{"", std::nullopt, 0, 0.0}));

TEST(IniStore, NumbersFollowTheLocaleAndReadBackUnderAnother)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.ini"));
    ASSERT_TRUE(WriteFrameworkTextFile(path, {QStringLiteral("[]"), QStringLiteral("c=0.5")})); // written under the C locale
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    {
        TIniPreferencesMan store(path, false);
        EXPECT_TRUE(store.WriteFloat(QStringLiteral("d"), 1234567.25));
        EXPECT_EQ(store.ReadString(QStringLiteral("d")), QStringLiteral("1234567,25"));
        EXPECT_EQ(store.ReadFloat(QStringLiteral("c")), 0.5);
    }
    TIniPreferencesMan store(path, true);
    EXPECT_EQ(store.ReadFloat(QStringLiteral("d")), 1234567.25);
    QLocale::setDefault(saved);
}

TEST(IniStore, WritesItsFileOnlyWhenClosedAndKeepsForeignLines)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Tarvex.ini"));
    ASSERT_TRUE(WriteBytes(path, QByteArray("; a note of the user\n[]\nVersion=old\n\n[UIForm]\nVolume=1\n")));
    {
        TIniPreferencesMan store(path, false);
        ASSERT_TRUE(store.OpenKey(QStringLiteral("UIForm"), false));
        EXPECT_TRUE(store.WriteInteger(QStringLiteral("Volume"), 5000));
        EXPECT_EQ(ReadBytes(path), QByteArray("; a note of the user\n[]\nVersion=old\n\n[UIForm]\nVolume=1\n"));
    }
    EXPECT_EQ(ReadBytes(path), EncodeFrameworkLines(Lines("; a note of the user\n[]\nVersion=old\n\n[UIForm]\nVolume=5000")));
}

TEST(IniStore, ReadsADamagedFileAsFarAsItIsSound)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.ini"));
    QByteArray bytes = EncodeFrameworkLines(Lines("[]\nVersion=1\n\n[UIForm]\nVolume=5000\nMute=True"));
    bytes.chop(7); // cut inside the last line
    bytes.append(QByteArray("\0\xD8garbage\0\0\0", 12));
    ASSERT_TRUE(WriteBytes(path, bytes));
    TIniPreferencesMan store(path, true);
    ASSERT_TRUE(store.OpenKey(QStringLiteral("UIForm"), false));
    EXPECT_EQ(store.ReadInteger(QStringLiteral("Volume")), 5000);
    EXPECT_EQ(store.ReadBool(QStringLiteral("Mute")), std::nullopt);
}

TEST(IniStore, AStoreThatCannotBeReadIsNeverOverwritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.ini"));
    ASSERT_TRUE(QDir().mkpath(path + QLatin1String("/inside"))); // a folder where the file should be
    {
        TIniPreferencesMan store(path, false);
        EXPECT_FALSE(store.errorString().isEmpty());
        EXPECT_EQ(store.ReadString(QStringLiteral("Version")), std::nullopt);
        store.WriteString(QStringLiteral("Version"), QStringLiteral("x"));
        EXPECT_FALSE(store.Flush());
    }
    EXPECT_TRUE(QFileInfo(path + QLatin1String("/inside")).isDir());
}

TEST(RegistryStore, BooleansAreOneOrZero)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.conf"));
    ASSERT_TRUE(WriteBytes(path, QByteArray("[General]\none=1\nzero=0\ntwo=2\ntext=true\n")));
    TRegPreferencesMan store(path, true);
    EXPECT_EQ(store.ReadBool(QStringLiteral("one")), true);
    EXPECT_EQ(store.ReadBool(QStringLiteral("zero")), false);
    EXPECT_EQ(store.ReadBool(QStringLiteral("two")), std::nullopt);
    EXPECT_EQ(store.ReadBool(QStringLiteral("text")), std::nullopt);
    EXPECT_EQ(store.ReadInteger(QStringLiteral("text")), std::nullopt);
    EXPECT_FALSE(store.WriteBool(QStringLiteral("one"), false)); // read only
}

// ---------------------------------------------------------------- modes

class PreferencesModes : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_places = TPreferencesPlaces::At(QStringLiteral("Tarvex"), m_dir.filePath(QStringLiteral("usb/tarvex")),
                                          m_dir.filePath(QStringLiteral("config")));
        QDir().mkpath(m_places.programFolder);
    }

    std::unique_ptr<TBrontelPreferences> start()
    {
        auto gp = std::make_unique<TBrontelPreferences>(m_places);
        gp->setVersion(PreferencesVersionText(QStringLiteral("Tarvex 0.1 English")));
        QObject::connect(gp.get(), &TBrontelPreferences::loadPrefs, [this](TBrontelPreferences *p) {
            p->OpenKey(QStringLiteral("UIForm"));
            m_loaded = p->ReadInteger(QStringLiteral("Volume"), 5000);
            p->CloseKey();
        });
        QObject::connect(gp.get(), &TBrontelPreferences::savePrefs, [this](TBrontelPreferences *p) {
            p->OpenKey(QStringLiteral("UIForm"));
            p->WriteInteger(QStringLiteral("Volume"), m_saved);
            p->CloseKey();
        });
        gp->LoadAtStart();
        return gp;
    }

    // Writes a store of a mode holding a volume, as an earlier run left it.
    void leaveStore(TSavePreferences mode, int volume)
    {
        TBrontelPreferences gp(m_places);
        gp.SetMode(mode);
        gp.OpenKey(QStringLiteral("UIForm"));
        gp.WriteInteger(QStringLiteral("Volume"), volume);
        gp.CloseKey();
        gp.WriteRootValues(QStringLiteral("earlier"));
    }

    bool iniExists() const { return QFile::exists(m_places.iniFile()); }
    bool registryExists() const { return QFile::exists(m_places.settingsFile); }

    QTemporaryDir m_dir;
    TPreferencesPlaces m_places;
    int m_loaded = -1;
    int m_saved = 7000;
};

TEST_F(PreferencesModes, AFirstStartUsesTheDefaultsAndAsksAtQuit)
{
    struct TCase
    {
        std::optional<TSavePreferences> answer;
        TBrontelPreferences::TQuitResult result;
        bool ini;
        bool registry;
    };
    const TCase cases[] = {
        {TSavePreferences::spRegistre, TBrontelPreferences::TQuitResult::Saved, false, true},
        {TSavePreferences::spPortable, TBrontelPreferences::TQuitResult::Saved, true, false},
        {TSavePreferences::spNone, TBrontelPreferences::TQuitResult::NotSaved, false, false},
        {std::nullopt, TBrontelPreferences::TQuitResult::Refused, false, false},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.answer ? int(*c.answer) : -1);
        auto gp = start();
        EXPECT_EQ(gp->mode(), TSavePreferences::spNone);
        EXPECT_EQ(m_loaded, 5000);
        int asked = 0;
        const auto ask = [&](const TSavePrefsQuestion &q) {
            ++asked;
            EXPECT_EQ(q.caption, QStringLiteral("Saving the preferences of Tarvex"));
            EXPECT_EQ(q.choices.size(), 3);
            return c.answer;
        };
        EXPECT_EQ(gp->SaveAtQuit(ask), c.result);
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(iniExists(), c.ini);
        EXPECT_EQ(registryExists(), c.registry);
        if (c.result == TBrontelPreferences::TQuitResult::Saved) {
            EXPECT_EQ(gp->SaveAtQuit(ask), TBrontelPreferences::TQuitResult::NotSaved); // once only
            EXPECT_EQ(asked, 1);
            gp.reset();
            auto next = start();
            EXPECT_EQ(next->mode(), *c.answer);
            EXPECT_EQ(m_loaded, 7000);
            EXPECT_EQ(next->ReadString(QStringLiteral("Version"), {}), QStringLiteral("Tarvex 0.1 English by  Orin Brontel"));
            EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}\\D\\d\\d\\D\\d\\d \\d\\d\\D\\d\\d\\D\\d\\d$"))
                            .match(next->ReadString(QStringLiteral("Dernière Sauvegarde"), {}))
                            .hasMatch());
            EXPECT_EQ(next->ReadString(QStringLiteral("ExeName"), {}), m_places.programFile);
            next->SetMode(TSavePreferences::spNone); // clean up for the next case
        }
        EXPECT_FALSE(iniExists() || registryExists());
    }
}

TEST_F(PreferencesModes, AnIniFileWinsAndTheRegistryStoreIsDeletedAtStart)
{
    leaveStore(TSavePreferences::spRegistre, 1);
    // Another program of the maker keeps its own store beside ours.
    const QString sibling = QFileInfo(m_places.settingsFile).absolutePath() + QLatin1String("/Snapvue.conf");
    ASSERT_TRUE(WriteBytes(sibling, "[General]\nExeName=/opt/snapvue\n"));
    ASSERT_TRUE(WriteFrameworkTextFile(m_places.iniFile(), Lines("[]\n\n[UIForm]\nVolume=2")));
    ASSERT_TRUE(registryExists());

    auto gp = std::make_unique<TBrontelPreferences>(m_places);
    QSignalSpy changes(gp.get(), &TBrontelPreferences::modeChanged);
    gp->LoadAtStart();
    EXPECT_EQ(gp->mode(), TSavePreferences::spPortable);
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.at(0).at(0).value<TSavePreferences>(), TSavePreferences::spPortable);
    EXPECT_FALSE(registryExists());
    EXPECT_TRUE(QFile::exists(sibling)); // the maker's folder stays while it holds another store
    ASSERT_TRUE(gp->OpenKey(QStringLiteral("UIForm")));
    EXPECT_EQ(gp->ReadInteger(QStringLiteral("Volume"), 0), 2);

    // Alone, the maker's folder goes with our store.
    QFile::remove(sibling);
    gp->SetMode(TSavePreferences::spRegistre);
    gp->SetMode(TSavePreferences::spNone);
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(m_places.settingsFile).absolutePath()));
}

TEST_F(PreferencesModes, ChangingTheModeDeletesTheOtherStoresAtOnce)
{
    leaveStore(TSavePreferences::spPortable, 3);
    auto gp = start();
    EXPECT_EQ(m_loaded, 3);
    gp->SetMode(TSavePreferences::spRegistre); // portable to normal: the ini file goes now
    EXPECT_FALSE(iniExists());
    EXPECT_EQ(gp->SaveAtQuit({}), TBrontelPreferences::TQuitResult::Saved);
    EXPECT_TRUE(registryExists());
    gp.reset();

    gp = start();
    EXPECT_EQ(gp->mode(), TSavePreferences::spRegistre);
    EXPECT_EQ(m_loaded, 7000);
    gp->SetMode(TSavePreferences::spNone); // "do not save": both stores go now
    EXPECT_FALSE(iniExists() || registryExists());
    int asked = 0;
    EXPECT_EQ(gp->SaveAtQuit([&asked](const TSavePrefsQuestion &) {
        ++asked;
        return std::optional(TSavePreferences::spNone);
    }),
              TBrontelPreferences::TQuitResult::NotSaved);
    EXPECT_EQ(asked, 1); // the next quit asks again
}

TEST_F(PreferencesModes, ModeNoneReadsDefaultsAndWritesNothing)
{
    auto gp = start();
    EXPECT_FALSE(gp->OpenKey(QStringLiteral("UIForm")));
    EXPECT_FALSE(gp->WriteInteger(QStringLiteral("Volume"), 1));
    EXPECT_FALSE(gp->WriteStrings(QStringLiteral("FileNames"), {QStringLiteral("a")}));
    EXPECT_EQ(gp->ReadFont(QStringLiteral("IncrustFont"), TFontValue{QStringLiteral("Arial")}).name, QStringLiteral("Arial"));
    EXPECT_EQ(gp->FindInteger(QStringLiteral("Volume")), std::nullopt);
}

TEST_F(PreferencesModes, TheCommandLineToolReadsTheStoreAndChangesNothing)
{
    leaveStore(TSavePreferences::spPortable, 4);
    const QByteArray before = ReadBytes(m_places.iniFile());
    QDir().mkpath(QFileInfo(m_places.settingsFile).absolutePath());
    ASSERT_TRUE(WriteBytes(m_places.settingsFile, "[UIForm]\nVolume=9\n"));
    {
        auto gp = TBrontelPreferences::OpenReadOnly(m_places);
        EXPECT_EQ(gp->mode(), TSavePreferences::spPortable);
        ASSERT_TRUE(gp->OpenKey(QStringLiteral("UIForm")));
        EXPECT_EQ(gp->ReadInteger(QStringLiteral("Volume"), 0), 4);
        EXPECT_FALSE(gp->WriteInteger(QStringLiteral("Volume"), 5));
        EXPECT_FALSE(gp->OpenKey(QStringLiteral("New")));
        gp->SetMode(TSavePreferences::spNone);
        EXPECT_EQ(gp->SaveAtQuit({}), TBrontelPreferences::TQuitResult::NotSaved);
    }
    EXPECT_EQ(ReadBytes(m_places.iniFile()), before);
    EXPECT_TRUE(registryExists()); // not deleted, though another mode's store exists
}

TEST_F(PreferencesModes, AStoreThatCannotBeWrittenIsReported)
{
    // The program's "folder" is a file: nothing can be written next to the program.
    ASSERT_TRUE(WriteBytes(m_dir.filePath(QStringLiteral("file")), "x"));
    m_places = TPreferencesPlaces::At(QStringLiteral("Tarvex"), m_dir.filePath(QStringLiteral("file/tarvex")),
                                      m_dir.filePath(QStringLiteral("config")));
    auto gp = start();
    EXPECT_EQ(gp->SaveAtQuit([](const TSavePrefsQuestion &) { return std::optional(TSavePreferences::spPortable); }),
              TBrontelPreferences::TQuitResult::Failed);
    EXPECT_TRUE(gp->errorString().contains(m_places.iniFile())) << gp->errorString().toStdString();
}

TEST(PreferencesPlaces, TheNormalStoreIsQSettingsPerUserFileOfTheMaker)
{
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    const TPreferencesPlaces places = TPreferencesPlaces::ForApplication(QStringLiteral("Tarvex"));
    EXPECT_EQ(places.settingsFile, dir.filePath(QStringLiteral("Orin Brontel/Tarvex.conf")));
    EXPECT_EQ(places, TPreferencesPlaces::At(places.titre, places.programFile, dir.path()));
    EXPECT_TRUE(places.iniFile().endsWith(QLatin1String("/Tarvex.ini")));
}

} // namespace
