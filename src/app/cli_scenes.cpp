// tarvex-cli scenes: the scenes of a video's scene file, with the datecode of
// each scene's first frame read from the video.

#include "app/clitool.h"

#include "avi/avisampleindex.h"
#include "avi/bytesource.h"
#include "dv/datecode.h"
#include "dv/dvcodes.h"
#include "scenes/scenefile.h"

#include <QFileInfo>

#include <cstdio>
#include <vector>

namespace cli {
namespace {

// Reads the datecodes of given frames of a DV AVI file.
class TFrameDatecodes
{
public:
    explicit TFrameDatecodes(const QString &video)
    {
        if (m_file.open(video) && m_index.build(m_file))
            m_video = m_index.videoStream();
    }

    QString text(quint32 frame)
    {
        if (m_video < 0)
            return QStringLiteral("-");
        const auto &samples = m_index.streams()[size_t(m_video)].samples;
        if (frame >= samples.size())
            return QStringLiteral("-");
        const TAviSample &s = samples[frame];
        const int count = DifSequenceCount(s.size);
        m_frame.resize(s.size);
        TDatecodeFields fields{};
        TDateTime value = 0;
        if (count == 0 || !m_file.readExact(s.offset, m_frame.data(), s.size) || !ReadDatecode(m_frame.data(), count, fields)
            || !DatecodeFromFields(fields, value))
            return QStringLiteral("-");
        return FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss"), value);
    }

private:
    TFileSource m_file;
    TAviSampleIndex m_index;
    int m_video = -1;
    std::vector<quint8> m_frame;
};

} // namespace

int runScenes(const QStringList &args)
{
    if (args.size() != 1 || args.first().startsWith(QLatin1Char('-')))
        return usageError(args.isEmpty() ? QStringLiteral("scenes: missing FILE") : QStringLiteral("scenes: expects exactly one FILE"),
                          "scenes");
    const QString video = args.first();
    const QString sceneFile = SceneFilePath(video);
    if (!QFileInfo(sceneFile).isFile()) {
        reportFileError(video, QStringLiteral("no scene file (%1)").arg(sceneFile));
        return FileError;
    }
    std::vector<TSceneItem> items;
    const bool whole = ReadScnFile(sceneFile, items);

    TFrameDatecodes datecodes(video);
    std::printf("scene\tstart\tend\tdatecode\ttitle\n");
    for (const TSceneItem &item : items) {
        const TSceneClass &s = *item.scene;
        QString title = s.Caption;
        title.replace(QLatin1Char('\t'), QLatin1Char(' '));
        std::printf("%d\t%u\t%u\t%s\t%s\n", s.Number, s.StartFrame, s.EndFrame, qPrintable(datecodes.text(s.StartFrame)),
                    qPrintable(title));
    }
    std::fflush(stdout);
    if (!whole) {
        reportFileError(sceneFile, QStringLiteral("the scene file is damaged or unreadable"));
        return FileError;
    }
    return Ok;
}

} // namespace cli
