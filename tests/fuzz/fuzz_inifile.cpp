// Feeds arbitrary bytes to the portable preferences file's reader: the text
// decoding, the ini lines and the typed and compound reads of the store.

#include "framework/frameworktext.h"
#include "framework/inifile.h"
#include "framework/preferences.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>

namespace {

QTemporaryDir *Folder()
{
    static QTemporaryDir dir;
    return &dir;
}

// Every value and compound value of the current key, read every way.
void ReadEverything(TBrontelPreferences &gp)
{
    TPreferencesMan &store = gp.backEnd();
    for (const QString &name : store.GetValueNames().value_or(QStringList())) {
        if (!store.ReadString(name))
            __builtin_trap(); // a listed name reads
        store.ReadBool(name);
        store.ReadInteger(name);
        store.ReadFloat(name);
    }
    for (const QString &key : store.GetKeyNames().value_or(QStringList())) {
        gp.FindStrings(key);
        gp.FindFont(key);
        gp.FindRect(key);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList lines = DecodeFrameworkLines(bytes);
    TIniDocument doc(lines);
    if (doc.lines() != lines)
        __builtin_trap(); // nothing read is lost or moved

    // The store on the same bytes, read only, as the command-line tool opens it.
    const QString folder = Folder()->path();
    const TPreferencesPlaces places = TPreferencesPlaces::At(QStringLiteral("Tarvex"), folder + QLatin1String("/tarvex"),
                                                             folder + QLatin1String("/config"));
    {
        QFile file(places.iniFile());
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 0;
    }
    {
        auto gp = TBrontelPreferences::OpenReadOnly(places);
        ReadEverything(*gp);
        for (const QString &line : lines) {
            if (!line.startsWith(QLatin1Char('[')) || !line.endsWith(QLatin1Char(']')) || line.size() < 2)
                continue;
            const QString path = line.mid(1, line.size() - 2);
            if (doc.findSection(path) < 0)
                __builtin_trap(); // every header names a section
            int depth = 0;
            for (const QString &key : path.split(QLatin1Char('\\'))) {
                if (!gp->OpenKey(key))
                    break;
                ++depth;
            }
            ReadEverything(*gp);
            while (depth-- > 0)
                gp->CloseKey();
        }
    }

    // Writing into what was read keeps it readable and keeps the other lines.
    const int section = doc.addSection(QStringLiteral("UIForm"));
    if (section >= 0) {
        if (!doc.setValue(section, QStringLiteral("Volume"), QStringLiteral("5000"))
            || doc.value(section, QStringLiteral("volume")) != QStringLiteral("5000"))
            __builtin_trap();
        doc.deleteValue(section, QStringLiteral("Volume"));
    }
    const QStringList written = doc.lines();
    if (DecodeFrameworkLines(EncodeFrameworkLines(written)) != written)
        __builtin_trap(); // what is written reads back as it was
    return 0;
}
