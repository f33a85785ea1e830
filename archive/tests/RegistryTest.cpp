// The archive component as a form resource creates and stores it.

#include <gtest/gtest.h>

#include "platform/core/FormResource.h"
#include "archive/Startup.h"
#include "archive/arcZip.h"
#include "TestUtil.h"

using namespace archive;
using namespace archive_test;

TEST(Registry, BackupFormResourceCreatesTheComponent) {
    archive::unit_startup();
    ASSERT_NE(GetClass("tzip"), nullptr);
    EXPECT_TRUE(GetClass("TZip")->InheritsFrom(TComponent::StaticClass()));
    ScratchDir d;
    TComponent form(nullptr);
    const std::string json = R"({"class": "TZip", "name": "Zip", "properties": {
        "DeleteOptions": "doAllowUndo", "ArcType": "atZip", "CompressMethod": "cmDeflate",
        "DefaultExt": ".zip", "Switch": "swAdd", "TempDir": "/no/such/folder/anywhere"}})";
    TComponent* c = core::read_component(json, &form);
    auto* zip = dynamic_cast<TZip*>(c);
    ASSERT_NE(zip, nullptr);
    EXPECT_EQ(zip->Owner(), &form);
    EXPECT_EQ(zip->Name(), "Zip");
    EXPECT_EQ(zip->DeleteOptions, doAllowUndo);
    EXPECT_EQ(zip->ArcType(), atZip);
    EXPECT_EQ(zip->CompressMethod(), cmDeflate);
    EXPECT_EQ(zip->GetDefaultExt(), ".zip");
    EXPECT_EQ(zip->Switch, swAdd);
    // Read from the resource unchecked; the first pass falls back to the system's folder.
    EXPECT_EQ(zip->TempDirValue(), "/no/such/folder/anywhere");
    EXPECT_FALSE(zip->Loading());
    EXPECT_EQ(zip->GetTempDir(), SystemTempDir());
    // Defaults that shape the backup archive.
    EXPECT_EQ(zip->DeflateType, dtDeflateN);
    EXPECT_EQ(zip->StoredDirNames, sdRelative);
    EXPECT_TRUE(zip->TranslateOemChar);
    EXPECT_EQ(zip->CompressionMethod, cmTempFile);
    EXPECT_EQ(zip->DateAttribute, daFileDate);
    EXPECT_TRUE(zip->RecurseDirs);
    EXPECT_TRUE(zip->Password.empty());
    EXPECT_FALSE(zip->EncryptHeaders);

    // The job's hand-off: one file, an archive beside it.
    write_file(d / "Backup_Loja_20240131_235959.bak", text_bytes(5000));
    zip->FileSpec.Add(d / "Backup_Loja_20240131_235959.bak");
    zip->SetArchiveFile(d / "Backup_Loja_20240131_235959.zip");
    const auto* op = zip->ClassType()->MethodAddress("compress");
    ASSERT_NE(op, nullptr);
    EXPECT_EQ((op->As<int(TObject&)>()(*zip)), 1);
    EXPECT_EQ(run("unzip -Z1 '" + d / "Backup_Loja_20240131_235959.zip" + "'").output,
              "Backup_Loja_20240131_235959.bak\n");

    // Written back: the six settings the form stores, nothing at its default.
    zip->FileSpec.Clear();
    zip->SetArchiveFile("");
    zip->SetTempDir(d.path());
    const std::string written = core::write_component(*zip);
    for (const char* key : {"\"DeleteOptions\": \"doAllowUndo\"", "\"ArcType\": \"atZip\"",
                            "\"CompressMethod\": \"cmDeflate\"", "\"DefaultExt\": \".zip\"", "\"Switch\": \"swAdd\""})
        EXPECT_NE(written.find(key), std::string::npos) << key << "\n" << written;
    for (const char* key : {"DeflateType", "RecurseDirs", "StoredDirNames", "TranslateOemChar", "Attributes\""})
        EXPECT_EQ(written.find(key), std::string::npos) << key << "\n" << written;
    archive::unit_shutdown();
    EXPECT_EQ(GetClass("TZip"), nullptr);
}
