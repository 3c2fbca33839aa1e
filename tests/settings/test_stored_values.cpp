#include "settings/StoredValues.h"
#include <gtest/gtest.h>

TEST(StoredValueTable, HoldsTheDefaultsWithTheirKinds) {
    StoredValueTable t;
    ASSERT_EQ(t.Entries().size(), 12);
    EXPECT_EQ(t.Entries().front().name, "ConnStrVantrelMain");
    EXPECT_EQ(t.ReadStoredValue("eventtypemin").typeId(), QMetaType::Int);
    EXPECT_EQ(t.ReadStoredValue("EventTypeMin").toInt(), 1280);
    EXPECT_EQ(t.ReadStoredValue("DownloadAuto").typeId(), QMetaType::Bool);
    EXPECT_TRUE(t.ReadStoredValue("DownloadAuto").toBool());
    EXPECT_EQ(t.ReadStoredValue("DepImportID").toString(), "VANTIMP");
    EXPECT_EQ(t.ReadStoredValue("ConnStrTH7").typeId(), QMetaType::QString);
    EXPECT_FALSE(t.ReadStoredValue("NoSuchValue").isValid());
}

TEST(StoredValueTable, WritesInPlaceAndAppendsUnknownNames) {
    StoredValueTable t;
    t.WriteStoredValue("eventidlast", 42);
    EXPECT_EQ(t.ReadStoredValue("EventIDLast").toInt(), 42);
    EXPECT_EQ(t.Entries().size(), 12);
    t.WriteStoredValue("Extra", QStringLiteral("x"));
    ASSERT_EQ(t.Entries().size(), 13);
    EXPECT_EQ(t.Entries().back().name, "Extra");
}
