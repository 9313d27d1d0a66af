// Runs a sub-command in-process through the dispatcher, as the program would.
#pragma once
#include "app/cli.h"

#include <QString>
#include <QTextStream>

namespace clitest {

struct Outcome {
    int code;
    QString out, err;
};

inline Outcome run(const QStringList& args)
{
    Outcome r;
    QTextStream out(&r.out), err(&r.err);
    r.code = orugif::cli::run(args, out, err);
    out.flush();
    err.flush();
    return r;
}

} // namespace clitest
