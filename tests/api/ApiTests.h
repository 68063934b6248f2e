#pragma once

// The test classes of the api area, run one after another by tst_api's main().
int runRecordsTest(int argc, char** argv);
int runTransportTest(int argc, char** argv);
int runCatalogueTest(int argc, char** argv);
