#pragma once

// What the action lists need of a script engine: registering host procedures
// from a declaration text, and a compile handler that runs on every compile,
// when the registrations are made. The interpreter implements this; the
// action lists chain their own handler behind the one they find.
//
// A registered procedure is called with its arguments in declaration order,
// one QVariant each: widestring as QString, integer and TColor as int, Double
// as double, Boolean as bool, array of widestring as QStringList.
//
// Main thread only.

#include <QObject>
#include <QString>
#include <QVariantList>

#include <functional>
#include <utility>

using TScriptCall = std::function<void(const QVariantList &args)>;

class TScriptEngine : public QObject
{
    Q_OBJECT

public:
    using TCompileHandler = std::function<void(TScriptEngine &engine)>;

    // Clears the macro recorder's Busy flag.
    explicit TScriptEngine(QObject *parent = nullptr);
    ~TScriptEngine() override;

    // Registers a procedure whose declaration is the Pascal header text
    // ("procedure Volume(const aInteger:integer);"); false when the engine
    // refuses the declaration.
    virtual bool RegisterProcedure(const QString &declaration, TScriptCall call) = 0;

    const TCompileHandler &compileHandler() const { return m_compileHandler; }
    void setCompileHandler(TCompileHandler handler) { m_compileHandler = std::move(handler); }

protected:
    // For the engine: runs the handler, when there is one, as a compile starts.
    void RunCompileHandler();

private:
    TCompileHandler m_compileHandler;
};
