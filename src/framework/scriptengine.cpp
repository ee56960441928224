#include "framework/scriptengine.h"

#include "framework/macrorecorder.h"

TScriptEngine::TScriptEngine(QObject *parent) : QObject(parent)
{
    // A recorder left Busy by an earlier engine's run would never record again.
    TMacroRecorder::Instance().SetBusy(false);
}

TScriptEngine::~TScriptEngine() = default;

void TScriptEngine::RunCompileHandler()
{
    // The handler is copied: a list it calls may chain a new one meanwhile.
    const TCompileHandler handler = m_compileHandler;
    if (handler)
        handler(*this);
}
