#include "framework/scriptengine.h"

TScriptEngine::TScriptEngine(QObject *parent) : QObject(parent) {}

TScriptEngine::~TScriptEngine() = default;

void TScriptEngine::RunCompileHandler()
{
    // The handler is copied: a list it calls may chain a new one meanwhile.
    const TCompileHandler handler = m_compileHandler;
    if (handler)
        handler(*this);
}
