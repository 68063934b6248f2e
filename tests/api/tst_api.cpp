#include <QGuiApplication>

#include "tests/api/ApiTests.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    int failures = 0;
    failures += runRecordsTest(argc, argv);
    failures += runTransportTest(argc, argv);
    failures += runCatalogueTest(argc, argv);
    return failures;
}
