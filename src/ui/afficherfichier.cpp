#include "ui/afficherfichier.h"

#include "avi/records/avifichier.h"
#include "dv/datecode.h"
#include "framework/settingscatalogue.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QVBoxLayout>

namespace basepanel {

QString CodecText(const TaviFichier &record)
{
    const TVideoFileFacts &facts = record.facts();
    QString text = record.texts().codec;
    if (!facts.dvInfoValid)
        return text;
    switch (facts.dvType) {
    case TDvType::Type1: return text + QStringLiteral(" (type 1)");
    case TDvType::Type2:
        return text + (facts.isInterleavedType2() ? QStringLiteral(" (type 2 iavs)") : QStringLiteral(" (type 2)"));
    case TDvType::None: break;
    }
    return text + QStringLiteral(" (atypical)");
}

QString SizeText(quint64 size, const QLocale &locale)
{
    QLocale grouped = locale;
    grouped.setNumberOptions(grouped.numberOptions() & ~QLocale::OmitGroupSeparator);
    return grouped.toString(size);
}

int NamePixelSize(int textWidth, int available)
{
    constexpr int kStart = 13;
    constexpr int kSmallest = 8;
    if (textWidth <= available || textWidth <= 0)
        return kStart;
    return std::max(kSmallest, kStart * std::max(available, 0) / textWidth);
}

QString PanelHint(const QString &fullPath, quint64 size, const QString &modified)
{
    return QStringLiteral("File     : %1\nSize     : %2\nModified : %3").arg(fullPath, SizeText(size), modified);
}

} // namespace basepanel

namespace {

QLabel *Caption(const char *text, QWidget *parent)
{
    auto *label = new QLabel(QString::fromLatin1(text), parent);
    label->setStyleSheet(QStringLiteral("color: #404040"));
    return label;
}

QLabel *Value(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

const char *const kCopyItems[] = {
    "Copy the datecode", "Copy the timecode", "Copy the codec", "Copy the size of image", "Copy the duration",
    "Copy the framerate", "Copy audio", "Copy the full name", "Copy the short name", "Copy the file date",
    "Copy the size of file",
};

} // namespace

TBaseFrame::TBaseFrame(QWidget *parent)
    : QFrame(parent), m_format(settings::DefaultString(u"FormatAfficherDatecode"))
{
    setObjectName(QStringLiteral("BaseFrame"));
    setFrameShape(QFrame::StyledPanel);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 4, 6, 4);
    outer->setSpacing(2);

    m_name = new QLabel(QStringLiteral("---"), this);
    m_name->setObjectName(QStringLiteral("LabNom"));
    m_name->setToolTip(QStringLiteral("Name of the file. Click to go to it in its parent folder."));
    m_name->setCursor(Qt::PointingHandCursor);
    m_name->installEventFilter(this);
    QFont nameFont = m_name->font();
    nameFont.setBold(true);
    nameFont.setPixelSize(13);
    m_name->setFont(nameFont);
    outer->addWidget(m_name);
    m_line = new QFrame(this);
    m_line->setFrameShape(QFrame::HLine);
    outer->addWidget(m_line);

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(1);
    outer->addLayout(grid);
    m_datecode = Value(this);
    m_timecode = Value(this);
    m_codec = Value(this);
    m_image = Value(this);
    m_duree = Value(this);
    m_fps = Value(this);
    m_audio1 = Value(this);
    m_audio2 = Value(this);
    m_datecode->setObjectName(QStringLiteral("labDatecode"));
    m_timecode->setObjectName(QStringLiteral("LabTimecode"));
    const std::pair<const char *, QLabel *> rows[] = {
        {"Datecode", m_datecode}, {"Timecode", m_timecode}, {"codec", m_codec}, {"Image", m_image},
        {"Duration", m_duree},    {"Fps", m_fps},           {"Audio", m_audio1}, {"", m_audio2},
    };
    int row = 0;
    for (const auto &[caption, value] : rows) {
        grid->addWidget(Caption(caption, this), row, 0);
        grid->addWidget(value, row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);

    auto *flags = new QHBoxLayout;
    m_decalage = new QLabel(this);
    m_decalage->setObjectName(QStringLiteral("labDecalage"));
    m_scn = new QLabel(QStringLiteral("scn"), this);
    m_srt = new QLabel(QStringLiteral("srt"), this);
    for (QLabel *l : {m_decalage, m_scn, m_srt}) {
        l->setStyleSheet(QStringLiteral("color: navy; font-weight: bold"));
        l->hide();
        flags->addWidget(l);
    }
    flags->addStretch(1);
    outer->addLayout(flags);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("Gauge1"));
    m_progress->setToolTip(QStringLiteral("Gauge indicating the progress of a command.\r\nType Escape to abort."));
    m_progress->setTextVisible(false);
    m_progress->setMaximumHeight(10);
    m_progress->hide();
    outer->addWidget(m_progress);
    m_volume = new QProgressBar(this);
    m_volume->setObjectName(QStringLiteral("Gauge2"));
    m_volume->setToolTip(
        QStringLiteral("Volume of the sound channels.\r\nType + or - at the numeric keyboard to change it."));
    m_volume->setRange(0, 100);
    m_volume->setTextVisible(false);
    m_volume->setMaximumHeight(6);
    outer->addWidget(m_volume);

    m_copyMenu = new QMenu(this);
    m_copyMenu->setObjectName(QStringLiteral("copiermenu"));
    for (const char *item : kCopyItems) {
        const QString caption = QString::fromLatin1(item);
        m_copyMenu->addAction(caption, this, [this, caption] {
            QGuiApplication::clipboard()->setText(copyText(caption));
        });
    }
    Clear();
}

void TBaseFrame::setDatecodeFormat(const QString &format)
{
    m_format = format;
    if (m_record)
        ShowFile(m_record);
}

QString TBaseFrame::fileDateText() const
{
    const auto *file = dynamic_cast<const TSRFichier *>(m_record);
    if (!file || !file->lastWriteTime().isValid())
        return {};
    return FormatDateTime(m_format, QDateTimeToDateTime(file->lastWriteTime()));
}

void TBaseFrame::ShowFile(const TAbstractListFichier *record)
{
    if (!record) {
        Clear();
        return;
    }
    m_record = record;
    m_name->setText(record->fileName());
    fitName();
    const auto *video = dynamic_cast<const TaviFichier *>(record);
    if (video) {
        const TVideoFileFacts &facts = video->facts();
        const TVideoFileTexts &texts = video->texts();
        m_datecode->setText(facts.firstDatecode && *facts.firstDatecode != 0
                                ? FormatDateTime(m_format, *facts.firstDatecode)
                                : texts.datecode);
        if (video->displayShift() != 0) {
            m_decalage->setText(video->displayShiftText());
            m_decalage->show();
        } else {
            m_decalage->clear();
            m_decalage->hide();
        }
        m_scn->setVisible(facts.hasSceneFile);
        m_srt->setVisible(facts.hasSubtitleFile);
        m_timecode->setText(texts.timecode);
        m_codec->setText(basepanel::CodecText(*video));
        m_image->setText(texts.video + texts.aspect);
        m_duree->setText(!texts.audioDuration.isEmpty() && texts.audioDuration != texts.duration
                             ? QStringLiteral("%1 (%2)").arg(texts.duration, texts.audioDuration)
                             : texts.duration);
        m_fps->setText(facts.frameRate > 0 ? QString::number(facts.frameRate, 'g', 15) : QString());
        m_audio1->setText(texts.audio);
        m_audio2->setText(texts.audioFormat);
    } else {
        for (QLabel *l : {m_datecode, m_timecode, m_codec, m_image, m_duree, m_fps, m_audio1, m_audio2})
            l->clear();
        for (QLabel *l : {m_decalage, m_scn, m_srt})
            l->hide();
    }
    const auto *file = dynamic_cast<const TSRFichier *>(record);
    setToolTip(basepanel::PanelHint(record->fullPath(), file ? file->size() : 0, fileDateText()));
}

void TBaseFrame::Clear()
{
    m_record = nullptr;
    m_name->setText(QStringLiteral("---"));
    fitName();
    for (QLabel *l : {m_datecode, m_timecode, m_codec, m_image, m_duree, m_fps, m_audio1, m_audio2})
        l->clear();
    for (QLabel *l : {m_decalage, m_scn, m_srt})
        l->hide();
    setToolTip(QString());
}

void TBaseFrame::fitName()
{
    QFont font = m_name->font();
    font.setPixelSize(13);
    const int textWidth = QFontMetrics(font).horizontalAdvance(m_name->text());
    const int lineWidth = m_line->width() > 20 ? m_line->width() : width() - 12;
    font.setPixelSize(basepanel::NamePixelSize(textWidth, lineWidth - 10));
    m_name->setFont(font);
}

void TBaseFrame::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    fitName();
}

void TBaseFrame::setDatecodeText(const QString &text) { m_datecode->setText(text); }
void TBaseFrame::setTimecodeText(const QString &text) { m_timecode->setText(text); }
void TBaseFrame::setAudioTexts(const QString &audio1, const QString &audio2)
{
    m_audio1->setText(audio1);
    m_audio2->setText(audio2);
}
void TBaseFrame::setPictureText(const QString &text) { m_image->setText(text); }

void TBaseFrame::startProgress(int maximum)
{
    m_progress->setRange(0, std::max(maximum, 1));
    m_progress->setValue(0);
    m_progress->show();
}
void TBaseFrame::setProgress(int position) { m_progress->setValue(position); }
void TBaseFrame::endProgress() { m_progress->hide(); }
bool TBaseFrame::progressShown() const { return !m_progress->isHidden(); }
void TBaseFrame::setVolumeGauge(int percent) { m_volume->setValue(std::clamp(percent, 0, 100)); }
int TBaseFrame::volumeGauge() const { return m_volume->value(); }

QString TBaseFrame::nameText() const { return m_name->text(); }
QString TBaseFrame::datecodeText() const { return m_datecode->text(); }
QString TBaseFrame::timecodeText() const { return m_timecode->text(); }
QString TBaseFrame::codecText() const { return m_codec->text(); }
QString TBaseFrame::pictureText() const { return m_image->text(); }
QString TBaseFrame::durationText() const { return m_duree->text(); }
QString TBaseFrame::frameRateText() const { return m_fps->text(); }
QString TBaseFrame::audioText() const { return m_audio1->text() + QLatin1Char('\r') + m_audio2->text(); }
QString TBaseFrame::timeDifferenceText() const { return m_decalage->isHidden() ? QString() : m_decalage->text(); }
bool TBaseFrame::sceneFileShown() const { return !m_scn->isHidden(); }
bool TBaseFrame::subtitleFileShown() const { return !m_srt->isHidden(); }
int TBaseFrame::namePixelSize() const { return m_name->font().pixelSize(); }

QString TBaseFrame::copyText(const QString &item) const
{
    const auto *file = dynamic_cast<const TSRFichier *>(m_record);
    const std::pair<const char *, std::function<QString()>> texts[] = {
        {"Copy the datecode", [this] { return datecodeText(); }},
        {"Copy the timecode", [this] { return timecodeText(); }},
        {"Copy the codec", [this] { return codecText(); }},
        {"Copy the size of image", [this] { return pictureText(); }},
        {"Copy the duration", [this] { return durationText(); }},
        {"Copy the framerate", [this] { return frameRateText(); }},
        {"Copy audio", [this] { return audioText(); }},
        {"Copy the full name", [this] { return m_record ? m_record->fullPath().toLower() : QString(); }},
        {"Copy the short name", [this] { return m_record ? m_record->fileName().toLower() : QString(); }},
        {"Copy the file date", [this] { return fileDateText(); }},
        {"Copy the size of file", [file] { return file ? basepanel::SizeText(file->size()) : QString(); }},
    };
    for (const auto &[caption, text] : texts)
        if (item == QLatin1String(caption))
            return text();
    return {};
}

void TBaseFrame::contextMenuEvent(QContextMenuEvent *event)
{
    m_copyMenu->popup(event->globalPos());
}

bool TBaseFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_name && event->type() == QEvent::MouseButtonRelease && m_record)
        emit nameClicked();
    return QFrame::eventFilter(watched, event);
}
