// tarvex-cli scenes: the scenes of a video's scene file, with the datecode of
// each scene (that of its first frame that has one) read from the video.

#include "app/clitool.h"

#include "avi/avisampleindex.h"
#include "avi/bytesource.h"
#include "avi/dvstream.h"
#include "dv/datecode.h"
#include "scenes/scenefile.h"

#include <QFileInfo>

#include <cstdio>
#include <optional>

namespace cli {
namespace {

// Reads the datecodes of the scenes of a DV AVI file.
class TSceneDatecodes
{
public:
    explicit TSceneDatecodes(const QString &video)
    {
        if (m_file.open(video) && m_index.build(m_file))
            m_video = m_index.videoStream();
    }

    // The datecode of the first frame of start to end - 1 that has one.
    QString text(quint32 start, quint32 end) const
    {
        if (m_video < 0)
            return QStringLiteral("-");
        const std::optional<TDateTime> value = FirstDatecode(m_file, m_index.streams()[size_t(m_video)], start, end);
        return value ? FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss"), *value) : QStringLiteral("-");
    }

private:
    TFileSource m_file;
    TAviSampleIndex m_index;
    int m_video = -1;
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

    const TSceneDatecodes datecodes(video);
    std::printf("scene\tstart\tend\tdatecode\ttitle\n");
    for (const TSceneItem &item : items) {
        const TSceneClass &s = *item.scene;
        QString title = s.Caption;
        title.replace(QLatin1Char('\t'), QLatin1Char(' '));
        std::printf("%d\t%u\t%u\t%s\t%s\n", s.Number, s.StartFrame, s.EndFrame, qPrintable(datecodes.text(s.StartFrame, s.EndFrame)),
                    qPrintable(title));
    }
    if (finishOutput(Ok) != Ok)
        return FileError;
    if (!whole) {
        reportFileError(sceneFile, QStringLiteral("the scene file is damaged or unreadable"));
        return FileError;
    }
    return Ok;
}

} // namespace cli
