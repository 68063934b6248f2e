#include <QGuiApplication>

#include "tests/api/ApiTests.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    int failures = 0;
    failures += runRecordsTest(argc, argv);
    return failures;
}
