#include "ScaleArgument.h"

#include <cstdio>

#include <QByteArray>

bool applyScaleArgument(int argc, char** argv, const char* program) {
    QByteArray scale;
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--scale") == 0 && i + 1 < argc)
            scale = argv[i + 1];
        else if (qstrncmp(argv[i], "--scale=", 8) == 0)
            scale = argv[i] + 8;
    }
    if (scale.isEmpty())
        return true;
    bool ok = false;
    const double ratio = scale.toDouble(&ok);
    if (!ok || ratio < 1 || ratio > 4) {
        std::fprintf(stderr, "%s: --scale takes a ratio from 1 to 4\n", program);
        return false;
    }
    qputenv("QT_SCALE_FACTOR", scale);
    return true;
}

QCommandLineOption scaleOption() {
    return QCommandLineOption(QStringLiteral("scale"),
                              QStringLiteral("Device pixel ratio to draw at (1 to 4)."),
                              QStringLiteral("ratio"), QStringLiteral("1"));
}
