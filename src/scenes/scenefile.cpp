#include "scenes/scenefile.h"

#include "avi/avilayout.h"
#include "avi/bytesource.h"
#include "avi/outputfile.h"
#include "scenes/derivedpath.h"

#include <QStringDecoder>

#include <limits>

namespace {

void AppendBytes(QByteArray &out, std::initializer_list<quint8> bytes)
{
    for (quint8 b : bytes)
        out.append(char(b));
}

void Append32(QByteArray &out, quint32 v)
{
    quint8 b[4];
    le::put32(b, v);
    out.append(reinterpret_cast<const char *>(b), 4);
}

// At most MaxFieldLength code units, never ending inside a surrogate pair.
QString FieldText(const QString &text)
{
    if (text.size() <= TwriteScene::MaxFieldLength)
        return text;
    qsizetype n = TwriteScene::MaxFieldLength;
    if (text.at(n - 1).isHighSurrogate())
        --n;
    return text.left(n);
}

// FF FE FF, the number of code units in one byte, the UTF-16LE code units.
void AppendWideField(QByteArray &out, const QString &text)
{
    const QString t = FieldText(text);
    AppendBytes(out, {0xFF, 0xFE, 0xFF, quint8(t.size())});
    for (QChar c : t) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
}

quint8 TextFlag(const TSceneClass &scene)
{
    return (!scene.Caption.isEmpty() || !scene.SubTitle.isEmpty()) ? 0x80 : 0x00;
}

quint8 ThumbnailFlag(const TSceneClass &scene)
{
    return scene.ThumbnailOffset != 0 ? 0x40 : 0x00;
}

void AppendOptionalFields(QByteArray &out, const TSceneClass &scene)
{
    if (ThumbnailFlag(scene))
        Append32(out, scene.ThumbnailOffset);
    if (TextFlag(scene))
        AppendWideField(out, scene.Caption + QStringLiteral("\r\n") + scene.SubTitle);
}

QByteArray FirstRecord(const TSceneClass &scene, const QString &videoPath)
{
    QByteArray out;
    AppendBytes(out, {0xFF, 0xFF, 0x01, 0x00, 0x04, 0x00});
    out.append("Clip");
    AppendBytes(out, {0x50, TextFlag(scene), ThumbnailFlag(scene), 0x00});
    AppendBytes(out, {0xFF, 0xFF, 0x01, 0x00, 0x05, 0x00});
    out.append("Scene");
    AppendBytes(out, {0x00});
    Append32(out, 0);
    Append32(out, scene.EndFrame);
    AppendBytes(out, {0x00, 0x00, 0x00, 0x00, 0x01, 0x80});
    AppendWideField(out, videoPath);
    Append32(out, 0);
    Append32(out, 0);
    Append32(out, scene.EndFrame);
    AppendOptionalFields(out, scene);
    return out;
}

QByteArray LaterRecord(const TSceneClass &scene)
{
    // A scene that ends before it starts is stored as empty rather than as a
    // length of four billion frames.
    const quint32 length = scene.EndFrame >= scene.StartFrame ? scene.EndFrame - scene.StartFrame : 0;
    QByteArray out;
    AppendBytes(out, {0x03, 0x80, 0xF0, TextFlag(scene), ThumbnailFlag(scene), 0x00, 0x05, 0x80});
    AppendBytes(out, {0xFF, 0xFE, 0xFF, 0x00});
    Append32(out, scene.StartFrame);
    Append32(out, length);
    AppendBytes(out, {0x00, 0x00, 0x00, 0x00, 0x07, 0x00});
    Append32(out, scene.StartFrame);
    Append32(out, length);
    Append32(out, scene.StartFrame);
    AppendOptionalFields(out, scene);
    return out;
}

// Sequential reads over a byte source; every read checks the bytes are there.
class TScnCursor
{
public:
    explicit TScnCursor(const TByteSource &source) : m_source(source) {}

    bool read(void *buffer, qint64 n)
    {
        if (n < 0 || n > remaining() || !m_source.readExact(m_pos, buffer, n))
            return false;
        m_pos += n;
        return true;
    }

    bool u8(quint8 &v) { return read(&v, 1); }

    bool u16(quint16 &v)
    {
        quint8 b[2];
        if (!read(b, 2))
            return false;
        v = le::u16(b);
        return true;
    }

    bool u32(quint32 &v)
    {
        quint8 b[4];
        if (!read(b, 4))
            return false;
        v = le::u32(b);
        return true;
    }

    // A string field: a byte string in the system code page or, after
    // FF FFFE, a wide string (a length byte, 255 announcing a 16-bit length
    // and FFFF a 32-bit one, then UTF-16LE code units).
    bool stringField(QString &text)
    {
        text.clear();
        quint8 len8 = 0;
        if (!u8(len8))
            return false;
        if (len8 == 0)
            return true;
        if (len8 < 0xFF)
            return bytesText(len8, text);
        quint16 len16 = 0;
        if (!u16(len16))
            return false;
        if (len16 == 0)
            return true;
        if (len16 <= 1023)
            return bytesText(len16, text);
        if (len16 != 0xFFFE)
            return false;
        return wideText(text);
    }

private:
    qint64 remaining() const { return qMax<qint64>(0, m_source.size() - m_pos); }

    bool bytesText(qint64 n, QString &text)
    {
        QByteArray bytes(qsizetype(n), Qt::Uninitialized);
        if (!read(bytes.data(), n))
            return false;
        QStringDecoder decoder(QStringConverter::System);
        text = decoder.decode(bytes);
        return true;
    }

    bool wideText(QString &text)
    {
        quint8 len8 = 0;
        if (!u8(len8))
            return false;
        quint32 units = len8;
        if (len8 == 0xFF) {
            quint16 len16 = 0;
            if (!u16(len16))
                return false;
            units = len16;
            if (len16 == 0xFFFF && !u32(units))
                return false;
        }
        if (qint64(units) * 2 > remaining())
            return false;
        QByteArray bytes(qsizetype(units) * 2, Qt::Uninitialized);
        if (!read(bytes.data(), bytes.size()))
            return false;
        text.resize(qsizetype(units));
        const auto *p = reinterpret_cast<const quint8 *>(bytes.constData());
        for (quint32 i = 0; i < units; ++i)
            text[qsizetype(i)] = QChar(le::u16(p + 2 * i));
        return true;
    }

    const TByteSource &m_source;
    qint64 m_pos = 0;
};

// Caption and subtitle from the stored text: its first and second lines.
void SplitSceneText(const QString &text, TSceneClass &scene)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = t.split(QLatin1Char('\n'));
    scene.Caption = lines.value(0);
    scene.SubTitle = lines.value(1);
}

// The fields after the three values of a record: the optional thumbnail
// offset and the optional text.
bool ReadOptionalFields(TScnCursor &in, bool hasText, bool hasThumbnail, TSceneClass &scene)
{
    if (hasThumbnail && !in.u32(scene.ThumbnailOffset))
        return false;
    if (hasText) {
        QString text;
        if (!in.stringField(text))
            return false;
        SplitSceneText(text, scene);
    }
    return true;
}

void AppendItem(std::vector<TSceneItem> &items, std::unique_ptr<TSceneClass> scene)
{
    QString text = scene->ListText();
    items.push_back(TSceneItem{std::move(text), std::move(scene)});
}

} // namespace

QString SceneFilePath(const QString &videoPath)
{
    return DerivedFilePath(videoPath, QStringLiteral(".scn"));
}

TwriteScene::TwriteScene(const QString &videoPath)
    : m_file(SceneFilePath(videoPath)), m_videoPath(FieldText(videoPath))
{
    QString error;
    if (!CreateOutputFile(m_file, m_file.fileName(), QIODevice::WriteOnly, error)) {
        fail(QStringLiteral("cannot create %1: %2").arg(m_file.fileName(), error));
        return;
    }
    QByteArray header;
    AppendBytes(header, {0x63, 0x26, 0x01, 0x00, 0x04, 0x00, 0x00, 0x00});
    AppendBytes(header, {0xFF, 0xFF, 0x03, 0x00, 0x0A, 0x00});
    header.append("SourceTape");
    AppendWideField(header, m_videoPath);
    AppendBytes(header, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x00});
    m_countOffset = header.size();
    if (!WriteOutput(m_file, header, error))
        fail(QStringLiteral("cannot write %1: %2").arg(m_file.fileName(), error));
}

TwriteScene::~TwriteScene()
{
    close();
}

bool TwriteScene::fail(const QString &error)
{
    if (m_error.isEmpty())
        m_error = error.isEmpty() ? QStringLiteral("Unknown error") : error;
    return false;
}

bool TwriteScene::AddScene(const TSceneClass &scene)
{
    if (!ok() || !m_file.isOpen())
        return false;
    if (m_count == std::numeric_limits<quint16>::max())
        return fail(QStringLiteral("Too many scenes for a scene file"));

    // The count word goes in front of the first record.
    const QByteArray record = m_count == 0 ? QByteArray(2, '\0') + FirstRecord(scene, m_videoPath) : LaterRecord(scene);
    QByteArray count(2, '\0');
    le::put16(reinterpret_cast<quint8 *>(count.data()), quint16(m_count + 1));
    QString error;
    if (!WriteOutputAt(m_file, m_file.size(), record, error) || !WriteOutputAt(m_file, m_countOffset, count, error))
        return fail(QStringLiteral("cannot write %1: %2").arg(m_file.fileName(), error));
    ++m_count;
    return true;
}

bool TwriteScene::close()
{
    if (m_file.isOpen()) {
        if (!m_file.flush())
            fail(m_file.errorString());
        m_file.close();
    }
    return ok();
}

bool ReadScnFile(const QString &path, std::vector<TSceneItem> &items, const TSceneVideo *video)
{
    TFileSource source;
    if (!source.open(path))
        return false;
    return ReadScnFile(source, items, video);
}

bool ReadScnFile(const TByteSource &source, std::vector<TSceneItem> &items, const TSceneVideo *video)
{
    TScnCursor in(source);
    quint8 block[26];
    QString unused;
    quint32 value = 0;

    // Header up to the video path, the path, then the rest of the header
    // with the count and the start of the first record.
    if (!in.read(block, 24) || !in.stringField(unused) || !in.read(block, 26))
        return false;
    const quint16 count = le::u16(block + 8);
    bool hasText = block[21] & 0x80;
    bool hasThumbnail = block[22] & 0x40;

    quint32 endFrame = 0;
    if (!in.read(block, 9) || !in.stringField(unused) || !in.u32(value) || !in.u32(endFrame))
        return false;
    auto scene = std::make_unique<TSceneClass>(0, endFrame, video);
    scene->Number = 1;
    if (!in.read(block, 6) || !in.stringField(unused) || !in.u32(value) || !in.u32(value) || !in.u32(value)
        || !ReadOptionalFields(in, hasText, hasThumbnail, *scene))
        return false;
    AppendItem(items, std::move(scene));

    for (int number = 2; number <= count; ++number) {
        quint32 start = 0;
        quint32 length = 0;
        if (!in.read(block, 8))
            return false;
        hasText = block[3] & 0x80;
        hasThumbnail = block[4] & 0x40;
        if (!in.stringField(unused) || !in.u32(start) || !in.u32(length))
            return false;
        scene = std::make_unique<TSceneClass>(start, start + length, video);
        scene->Number = number;
        if (!in.read(block, 6) || !in.u32(value) || !in.u32(value) || !in.u32(value)
            || !ReadOptionalFields(in, hasText, hasThumbnail, *scene))
            return false;
        AppendItem(items, std::move(scene));
    }
    return true;
}
