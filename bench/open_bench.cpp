// The file list's opener timed by bench/run:
//   open_bench FOLDER [--plain]
// lists every ".avi" file of FOLDER and its sub-folders into a file list, with
// the window's video file records built on the opener's thread (plain file
// records with --plain), and returns when the opener reports its end. Prints
// the number of files listed, and with TARVEX_BENCH_VERBOSE the time spent
// building records on the opener's thread.

#include "avi/aviinfo.h"
#include "avi/records/avifichier.h"
#include "framework/fichierlistmodel.h"

#include <QCoreApplication>
#include <QObject>

#include <atomic>
#include <chrono>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty() || args.size() > 2 || (args.size() == 2 && args[1] != QLatin1String("--plain"))) {
        std::fprintf(stderr, "usage: open_bench FOLDER [--plain]\n");
        return 2;
    }
    const bool plain = args.size() == 2;
    std::atomic<qint64> buildNs{0};

    TFichierListModel list;
    list.setOpenExtensions({QStringLiteral(".avi")});
    list.setRecordFactory([plain, &buildNs](const QString &path) -> std::unique_ptr<TAbstractListFichier> {
        const auto start = std::chrono::steady_clock::now();
        std::unique_ptr<TAbstractListFichier> record;
        if (plain)
            record = std::make_unique<TSRFichier>(path);
        else
            record = std::make_unique<TAfficherFichier>(path);
        buildNs += std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count();
        return record;
    });
    int errors = 0;
    QObject::connect(&list, &TFichierListModel::OnOpenFileError, [&errors](const QString &path, const QString &reason) {
        ++errors;
        std::fprintf(stderr, "open_bench: %s: %s\n", qPrintable(path), qPrintable(reason));
    });
    QObject::connect(&list, &TFichierListModel::OnOpenEnd, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    const auto start = std::chrono::steady_clock::now();
    list.OpenFolder(args[0]);
    app.exec();
    const double total = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d\n", list.count());
    if (qEnvironmentVariableIsSet("TARVEX_BENCH_VERBOSE"))
        std::fprintf(stderr, "open_bench: %d files in %.3f s, records %.3f s\n", list.count(), total, double(buildNs) / 1e9);
    return errors == 0 ? 0 : 1;
}
