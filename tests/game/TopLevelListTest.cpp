// The lists of the documents and of the objects read from their XML files:
// only the top-level elements of their name, ids byte for byte, the first
// element of an id that has a caption gives it, and a file that does not
// read leaves the list in use as it was, with where it went wrong.
#include "game/screens/DocumentsBrowser.h"
#include "game/screens/Inventory.h"
#include "tests/support/LinearReading.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const kDocuments =
    "<?xml version=\"1.0\" encoding=\"windows-1252\" ?>\n"
    "<Document id=\"Letter\" name=\"A letter\" />\n"
    "<Object id=\"Map\" name=\"An object, not a document\" />\n"
    "<Document id=\"Map\" />\n"
    "<Document id=\"Map\" name=\"The map\" />\n"
    "<Document id=\"Map\" name=\"A later map\" />\n"
    "<List><Document id=\"Nested\" name=\"Not read\" /></List>\n"
    "<Document name=\"No id\" />\n";

const char* const kObjects =
    "<Object id=\"Key\" name=\"Brass key\" description=\"Heavy.\" power=\"0\" />\n"
    "<Object id=\"Amulet\" power=\"2\" />\n"
    "<Object id=\"Amulet\" name=\"Amulet\" description=\"Old.\" power=\"0\" />\n"
    "<Document id=\"Star\" name=\"A document, not an object\" />\n";

struct Lookup {
    const char* id;
    const char* name;
};

} // namespace

TEST(TopLevelList, DocumentsAndObjectsTakeTheirOwnTopLevelElements)
{
    TempDir dir;
    ASSERT_TRUE(dir.writeFile("Documents.xml", kDocuments));
    ASSERT_TRUE(dir.writeFile("Objects.xml", kObjects));
    KyString error;
    s32 row = -1;
    s32 column = -1;

    DocumentsList documents;
    ASSERT_TRUE(documents.load(dir.file("Documents.xml").c_str(), error, row, column)) << error.c_str();
    EXPECT_EQ(documents.entries.size(), 5u);
    const Lookup captions[] = {{"Letter", "A letter"}, {"Map", "The map"}, {"map", ""}, {"Nested", ""},
                               {"Star", ""}};
    for (const Lookup& lookup : captions)
        EXPECT_EQ(documents.name(lookup.id), KyString(lookup.name)) << lookup.id;

    InventoryObjectsList objects;
    ASSERT_TRUE(objects.load(dir.file("Objects.xml").c_str(), error, row, column)) << error.c_str();
    EXPECT_EQ(objects.entries.size(), 3u);
    const Lookup names[] = {{"Key", "Brass key"}, {"Amulet", "Amulet"}, {"Star", ""}};
    for (const Lookup& lookup : names)
        EXPECT_EQ(objects.name(lookup.id), KyString(lookup.name)) << lookup.id;
    EXPECT_EQ(objects.description("Amulet"), KyString("Old."));
    // The first element of an id decides its kind.
    EXPECT_TRUE(objects.isPower("Amulet"));
    EXPECT_FALSE(objects.isPower("Key"));
    EXPECT_FALSE(objects.isPower("Star"));
}

TEST(TopLevelList, AFileThatDoesNotReadLeavesTheListInUse)
{
    TempDir dir;
    ASSERT_TRUE(dir.writeFile("Documents.xml", kDocuments));
    ASSERT_TRUE(dir.writeFile("Broken.xml", "<Document id=\"Letter\" name=\"Changed\" />\n<Document id=\"X\"\n"));
    KyString error;
    s32 row = 0;
    s32 column = 0;
    DocumentsList documents;
    ASSERT_TRUE(documents.load(dir.file("Documents.xml").c_str(), error, row, column));

    struct Case {
        const char* file;
        s32 row;   // 0: any
    };
    const Case cases[] = {{"Broken.xml", 2}, {"Missing.xml", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        error = KyString();
        row = -1;
        column = -1;
        EXPECT_FALSE(documents.load(dir.file(c.file).c_str(), error, row, column));
        EXPECT_FALSE(error.isEmpty());
        if (c.row) {
            EXPECT_EQ(row, c.row);
        }
        EXPECT_EQ(documents.entries.size(), 5u);
        EXPECT_EQ(documents.name("Letter"), KyString("A letter"));
    }

    InventoryObjectsList objects;
    ASSERT_TRUE(dir.writeFile("Objects.xml", kObjects));
    ASSERT_TRUE(objects.load(dir.file("Objects.xml").c_str(), error, row, column));
    EXPECT_FALSE(objects.load(dir.file("Broken.xml").c_str(), error, row, column));
    EXPECT_EQ(objects.entries.size(), 3u);
    EXPECT_TRUE(objects.isPower("Amulet"));
}

TEST(TopLevelList, ReadingIsLinearInTheEntries)
{
    TempDir dir;
    std::string documents;
    std::string objects;
    for (u32 i = 0; i < 100000; ++i) {
        documents += "<Document id=\"d" + std::to_string(i) + "\" name=\"Page " + std::to_string(i) + "\" />\n";
        objects += "<Object id=\"o" + std::to_string(i) + "\" name=\"Thing\" description=\"x\" power=\"0\" />\n";
    }
    ASSERT_TRUE(dir.writeFile("Documents.xml", documents));
    ASSERT_TRUE(dir.writeFile("Objects.xml", objects));
    KyString error;
    s32 row = 0;
    s32 column = 0;
    DocumentsList documentsList;
    EXPECT_LT(LinearReading::againstParse(documents,
                                          [&] { documentsList.load(dir.file("Documents.xml").c_str(), error, row, column); }),
              LinearReading::kAllowedRatio);
    EXPECT_EQ(documentsList.entries.size(), 100000u);
    InventoryObjectsList objectsList;
    EXPECT_LT(LinearReading::againstParse(objects,
                                          [&] { objectsList.load(dir.file("Objects.xml").c_str(), error, row, column); }),
              LinearReading::kAllowedRatio);
    EXPECT_EQ(objectsList.entries.size(), 100000u);
}
