#pragma once

// Records what the inlay stage wrote into each picture, read as the picture
// leaves it: an in-place stage placed right behind the inlay.

#include "pipelines/stagebase.h"
#include "stages/dv_superposer.h"

#include <vector>

class TInlayLineRecorder final : public TBCTransInPlaceFilter
{
public:
    struct TLines
    {
        qint64 mediaStart; // the picture's
        QString line1, line2;
    };

    explicit TInlayLineRecorder(const Tdv_Superposer &stage)
        : TBCTransInPlaceFilter(QStringLiteral("Inlay lines"), false), m_stage(stage)
    {
    }
    std::vector<TLines> lines;

protected:
    TResult CheckInputType(const TMediaType &) override { return TResult::Ok; }
    TResult Transform(TMediaSample &sample) override
    {
        lines.push_back({sample.mediaStart, m_stage.line1(), m_stage.line2()});
        return TResult::Ok;
    }

private:
    const Tdv_Superposer &m_stage;
};
