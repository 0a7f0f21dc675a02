#pragma once

#include "SpreadsheetIsolation.h"

#include <QTest>
#include <optional>

// The main of a test that reads workbooks: like the program, the test executable serves as its
// own decoding child, so the child process is the one the program uses. `beforeDecoding` runs in
// the child only.
#define CEKILIS_DECODING_TEST_MAIN(TestObject, Application, beforeDecoding)                                            \
    int main(int argc, char* argv[])                                                                                   \
    {                                                                                                                  \
        if (const std::optional<int> decoded = runSpreadsheetDecoderIfAsked(argc, argv, beforeDecoding))               \
            return *decoded;                                                                                           \
        Application app(argc, argv);                                                                                   \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                       \
        TestObject tc;                                                                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&tc, argc, argv);                                                                          \
    }
