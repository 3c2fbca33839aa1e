#pragma once
// A fresh SQLite database file per test, reached through the SQLite3 ODBC driver.
#include "import/ADOConnectionMSSQL.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

class SqliteDb : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        conn.SetConnectionString(QStringLiteral("Driver=SQLite3;Database=%1")
                                     .arg(dir.filePath(QStringLiteral("test.db"))));
    }
    // The message of the exception that f throws, or "no exception".
    template <typename F> static QString MessageOf(F f) {
        try {
            f();
        } catch (const Exception &e) {
            return e.Message();
        }
        return QStringLiteral("no exception");
    }

    QTemporaryDir dir;
    TADOConnectionMSSQL conn{QStringLiteral("connTest")};
};
