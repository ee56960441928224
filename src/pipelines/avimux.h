#pragma once

// AVI mux and file writer. The mux takes any number of streams (a free input
// appears whenever the last one is connected; streams are numbered in the
// order their inputs were connected) and writes them, through the file writer
// connected to its output, as an AVI file: DV type 1 for one interleaved DV
// input, DV type 2 for DV video plus PCM, OpenDML past 1 GB, an INFO list for
// the text properties set on it. Whenever the run stops (at the end, on an
// abort or an error) the file is finalised: valid with what was written. A
// file that cannot be opened, written or finalised is reported to the
// pipeline (its error signal), once per run.

#include "avi/aviwriter.h"
#include "pipelines/renderer.h"

#include <mutex>
#include <utility>
#include <vector>

class TFileWriterElement final : public TElement
{
public:
    TFileWriterElement();
    void SetFileName(const QString &path) { m_path = path; }
    QString fileName() const { return m_path; }
    // An existing file is always replaced; the mode is kept for callers that set it.
    void SetOverwrite(bool overwrite) { m_overwrite = overwrite; }
    bool overwrite() const { return m_overwrite; }
    TResult checkInputType(int input, const TMediaType &type) override;

private:
    QString m_path;
    bool m_overwrite = true;
};

class TAviMux final : public TRendererElement
{
public:
    TAviMux();

    TResult checkInputType(int input, const TMediaType &type) override;
    TMediaType outputType(int output) const override;
    void inputConnected(int input) override;
    void inputDisconnected(int input) override;
    void startStreaming() override;
    void stopStreaming() override;

    // A named text property "INFO/xxxx" (for example "INFO/ISFT") stored in the file's INFO list.
    bool SetTextProperty(const QString &name, const QString &value);
    void ClearTextProperties() { m_info.clear(); }
    // The part size past which OpenDML AVIX parts start (tests use small ones).
    void setPartLimit(qint64 bytes) { m_partLimit = bytes; }

    // The error of the last run; empty when it wrote its file.
    QString errorString() const { return m_error; }

protected:
    void render(int input, TMediaSample &sample) override;
    void renderEnd() override;

private:
    TAviStreamConfig streamConfig(const TMediaType &type) const;
    // Keeps the run's first error and reports it; under m_lock.
    void fail(const QString &error);
    QString writeError() const;

    std::mutex m_lock;
    TAviWriter m_writer;
    std::vector<int> m_order;       // input index -> stream number, -1: not connected
    std::vector<int> m_connections; // inputs in the order they were connected
    std::vector<std::pair<TFourcc, QByteArray>> m_info;
    qint64 m_partLimit = TAviWriterConfig::kDefaultPartLimit;
    QString m_fileName; // of the run's file
    QString m_error;
};
