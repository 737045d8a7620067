// File types of an application: the project's [[file_association]] tables, their record in
// the block, the registry values that register them and the .reg files for installers.
#include <gtest/gtest.h>

#include <sstream>

#include "associate_command.h"
#include "build_command.h"
#include "build_test_support.h"
#include "config_keys.h"
#include "file_associations.h"
#include "inspect_command.h"
#include "project_file.h"
#include "tool_test_support.h"

namespace tessel {
namespace {

TEST(FileAssociationNames, ExtensionsAndProgIds) {
  std::string why;
  for (const char* good : {".notes", ".n", ".tar-gz", ".Ünï", ".a_b+c"})
    EXPECT_TRUE(checkExtension(good, why)) << good << ": " << why;
  for (const char* bad : {"", ".", "notes", ".no tes", ".a.b", ".a\\b", ".a/b", ".a:b", ".%1",
                          ".a\tb", ".abcdefghijklmnopqrstuvwxyzabcdefg"})
    EXPECT_FALSE(checkExtension(bad, why)) << bad;
  EXPECT_EQ(makeProgId("Notes", ".notes"), "Notes.notes");
  EXPECT_EQ(makeProgId("My Notes 2!", ".nt"), "MyNotes2.nt");
  EXPECT_EQ(makeProgId("2Notes", ".nt"), "Application2Notes.nt") << "a ProgId begins with a letter";
  EXPECT_EQ(makeProgId("Заметки", ".nt"), "Application.nt");
  EXPECT_LE(makeProgId(std::string(80, 'a'), ".abcdefghijkl").size(), 39u);
  // Endings of only non-ASCII letters still get names of their own.
  EXPECT_NE(makeProgId("N", ".ü"), makeProgId("N", ".ö"));
}

TEST(FileAssociationRecord, RoundTripsAndRefusesDamage) {
  std::vector<FileAssociation> list(2);
  list[0] = {".notes", "Notes.notes", "Notes document", 200};
  list[1] = {".nt", "Notes.nt", "Nötes, \"quoted\" = text", 0};
  std::vector<FileAssociation> back;
  ASSERT_TRUE(decodeAssociations(encodeAssociations(list), back));
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[1].description, "Nötes, \"quoted\" = text");
  EXPECT_EQ(back[0].iconId, 200);
  EXPECT_TRUE(decodeAssociations("", back));
  EXPECT_TRUE(back.empty());
  for (const char* bad : {".notes\tNotes.notes\t200\tNotes", ".notes\tNotes.notes\t200\n",
                          "notes\tNotes.notes\t0\tx\n", ".notes\t\t0\tx\n", ".n\tN.n\t-1\tx\n",
                          ".n\tN.n\t999999\tx\n", ".n\tN.n\tx\n"})
    EXPECT_FALSE(decodeAssociations(bad, back)) << bad;
}

std::vector<FileAssociation> twoTypes() {
  return {{".notes", "Notes.notes", "Notes document", 200}, {".nt", "Notes.nt", "Plain", 0}};
}

TEST(FileAssociationRegistry, ValuesOfEachTypeAndOfTheApplication) {
  const auto values = associationValues(twoTypes(), "C:\\Program Files\\Notes\\notes.exe", "Notes");
  auto find = [&](const std::string& key, const std::string& name) -> std::string {
    for (const RegistryValue& v : values)
      if (v.key == key && v.name == name) return v.data;
    return "(absent)";
  };
  EXPECT_EQ(values.size(), 14u);
  EXPECT_EQ(find("Software\\Classes\\.notes", ""), "Notes.notes");
  EXPECT_EQ(find("Software\\Classes\\.notes\\OpenWithProgids", "Notes.notes"), "");
  EXPECT_EQ(find("Software\\Classes\\Notes.notes", ""), "Notes document");
  EXPECT_EQ(find("Software\\Classes\\Notes.notes\\DefaultIcon", ""),
            "C:\\Program Files\\Notes\\notes.exe,-200");
  EXPECT_EQ(find("Software\\Classes\\Notes.nt\\DefaultIcon", ""), "C:\\Program Files\\Notes\\notes.exe,0");
  EXPECT_EQ(find("Software\\Classes\\Notes.nt\\shell\\open\\command", ""),
            "\"C:\\Program Files\\Notes\\notes.exe\" \"%1\"");
  EXPECT_EQ(find("Software\\Classes\\Applications\\notes.exe\\shell\\open\\command", ""),
            "\"C:\\Program Files\\Notes\\notes.exe\" \"%1\"");
  EXPECT_EQ(find("Software\\Classes\\Applications\\notes.exe\\SupportedTypes", ".nt"), "");
  EXPECT_EQ(find("Software\\Classes\\Applications\\notes.exe", "FriendlyAppName"), "Notes");

  // Removal looks at every key it may have made, children before parents, never above Classes.
  const auto keys = associationKeys(values);
  auto at = [&](const std::string& k) { return std::find(keys.begin(), keys.end(), k) - keys.begin(); };
  EXPECT_LT(at("Software\\Classes\\Notes.notes\\shell\\open\\command"), at("Software\\Classes\\Notes.notes\\shell"));
  EXPECT_LT(at("Software\\Classes\\Notes.notes\\shell"), at("Software\\Classes\\Notes.notes"));
  EXPECT_LT(at("Software\\Classes\\Applications\\notes.exe"), at("Software\\Classes\\Applications"));
  EXPECT_EQ(at("Software\\Classes"), static_cast<long>(keys.size()));
  EXPECT_EQ(at("Software"), static_cast<long>(keys.size()));
}

TEST(FileAssociationRegistry, RegFilesWriteAndRemoveTheSame) {
  const auto values = associationValues(twoTypes(), "C:\\Apps\\Nö \"x\"\\notes.exe", "");
  const std::string add = regFileText(values, "HKEY_CURRENT_USER", false);
  EXPECT_EQ(add.rfind("Windows Registry Editor Version 5.00\n", 0), 0u);
  EXPECT_NE(add.find("\n[HKEY_CURRENT_USER\\Software\\Classes\\.notes]\n@=\"Notes.notes\"\n"),
            std::string::npos) << add;
  EXPECT_NE(add.find("[HKEY_CURRENT_USER\\Software\\Classes\\Notes.notes\\shell\\open\\command]\n"
                     "@=\"\\\"C:\\\\Apps\\\\Nö \\\"x\\\"\\\\notes.exe\\\" \\\"%1\\\"\"\n"),
            std::string::npos) << add;
  EXPECT_EQ(add.find("FriendlyAppName"), std::string::npos) << "no name, no value";
  const std::string remove = regFileText(values, "HKEY_LOCAL_MACHINE", true);
  EXPECT_NE(remove.find("[-HKEY_LOCAL_MACHINE\\Software\\Classes\\Notes.notes]\n"), std::string::npos) << remove;
  EXPECT_NE(remove.find("[-HKEY_LOCAL_MACHINE\\Software\\Classes\\Applications\\notes.exe]\n"),
            std::string::npos) << remove;
  EXPECT_NE(remove.find("[HKEY_LOCAL_MACHINE\\Software\\Classes\\.nt\\OpenWithProgids]\n\"Notes.nt\"=-\n"),
            std::string::npos) << remove;
  EXPECT_EQ(remove.find("@=-"), std::string::npos) << "an extension's default may be another's by now";
  EXPECT_EQ(remove.find("[-HKEY_LOCAL_MACHINE\\Software\\Classes\\.n"), std::string::npos);
  const std::vector<uint8_t> bytes = regFileBytes("a\nü");
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0xFF, 0xFE, 'a', 0, '\r', 0, '\n', 0, 0xFC, 0}));
}

std::vector<std::string> projectErrors(const std::string& text, Project& project) {
  std::vector<ProjectError> errors;
  parseProject(text, "app.toml", project, errors);
  std::vector<std::string> out;
  for (const ProjectError& e : errors) out.push_back(formatProjectError(e));
  return out;
}

TEST(FileAssociationProject, TablesBecomeTheRecordAndIcons) {
  Project project;
  const std::string base = "[application]\nname = \"My Notes\"\n[java]\nmain_class = \"a.B\"\n";
  ASSERT_EQ(projectErrors(base + "[[file_association]]\nextension = \".notes\"\ndescription = \"Notes "
                                 "document\"\nicon = \"doc.ico\"\n[[file_association]]\nextension = "
                                 "\".nt\"\ndescription = \"Plain\"\n",
                          project),
            std::vector<std::string>{});
  std::string record;
  for (const auto& [k, v] : project.block.strings)
    if (k == key::FileAssociations) record = v;
  EXPECT_EQ(record, ".notes\tMyNotes.notes\t200\tNotes document\n.nt\tMyNotes.nt\t0\tPlain\n");
  ASSERT_EQ(project.identity.extraIcons.size(), 1u);
  EXPECT_EQ(project.identity.extraIcons[0].groupId, 200);
  EXPECT_EQ(project.identity.extraIcons[0].path, "doc.ico");

  Project bad;
  const auto errors = projectErrors(
      base + "[[file_association]]\nextension = \"notes\"\ndescription = \"x\"\n"
             "[[file_association]]\nextension = \".a\"\ndescription = \"x\"\n"
             "[[file_association]]\nextension = \".A\"\ndescription = \"y\"\n"
             "[[file_association]]\nextension = \".b\"\n"
             "[[file_association]]\nextension = \".c\"\ndescription = \"x\"\nicons = \"a.ico\"\n"
             "[[file_association]]\nextension = \".d\"\ndescription = \"two\\nlines\"\n",
      bad);
  ASSERT_EQ(errors.size(), 5u) << ::testing::PrintToString(errors);
  EXPECT_NE(errors[0].find("app.toml:6: file_association[1].extension: expected a dot"), std::string::npos) << errors[0];
  EXPECT_NE(errors[1].find("app.toml:12: file_association[3].extension: .A is already associated on line 9"),
            std::string::npos) << errors[1];
  EXPECT_NE(errors[2].find("file_association[4]: each [[file_association]] needs extension"), std::string::npos)
      << errors[2];
  EXPECT_NE(errors[3].find("app.toml:19: `icons`: unknown setting in [[file_association]]"), std::string::npos)
      << errors[3];
  EXPECT_NE(errors[4].find("file_association[6].description: expected one line of text"), std::string::npos)
      << errors[4];
  Project notArray;
  EXPECT_EQ(projectErrors(base + "[file_association]\nextension = \".x\"\n", notArray).size(), 1u);
}

TEST(FileAssociationCommand, RegFileOnTheBuildMachine) {
  test::ScratchDir dir;
  // An executable with a block: built from the minimal template.
  const test::Built b = test::buildProject(
      dir, "[application]\nname = \"Notes\"\n[java]\nmain_class = \"a.B\"\n"
           "[[file_association]]\nextension = \".notes\"\ndescription = \"N\"\n",
      dir.file("notes.exe"), dir.write("launcher.exe", test::makeTemplate()));
  ASSERT_EQ(b.rc, 0) << b.err;

  AssociateOptions associate;
  associate.executable = dir.file("notes.exe");
  associate.regFile = dir.file("notes.reg");
  std::ostringstream o1, e1;
  EXPECT_EQ(runAssociate(associate, o1, e1), 1);
  EXPECT_NE(e1.str().find("--reg-file needs --install-dir DIR"), std::string::npos) << e1.str();
  for (const char* unusable : {"relative\\dir", "/opt/notes", "C:"}) {
    associate.installDir = unusable;
    std::ostringstream o, e;
    EXPECT_EQ(runAssociate(associate, o, e), 1) << unusable;
    EXPECT_NE(e.str().find("expected a Windows path"), std::string::npos) << e.str();
  }
  EXPECT_TRUE(test::readFile(dir.file("notes.reg")).empty()) << "nothing written on a refusal";
  associate.installDir = "D:/Apps/Notes/";
  std::ostringstream o2, e2;
  ASSERT_EQ(runAssociate(associate, o2, e2), 0) << e2.str();
  EXPECT_EQ(o2.str(), "wrote " + dir.file("notes.reg") + ": registers 1 file type of D:\\Apps\\Notes\\notes.exe "
                      "under HKEY_CURRENT_USER\\Software\\Classes\n");
  const std::vector<uint8_t> bytes = test::readFile(dir.file("notes.reg"));
  ASSERT_GT(bytes.size(), 2u);
  std::string ascii;
  for (size_t i = 2; i < bytes.size(); i += 2) ascii += static_cast<char>(bytes[i]);
  EXPECT_NE(ascii.find("@=\"\\\"D:\\\\Apps\\\\Notes\\\\notes.exe\\\" \\\"%1\\\"\"\r\n"), std::string::npos) << ascii;

  // An executable without types, and one that is no application at all, are refused.
  std::ostringstream o3, e3;
  associate.executable = dir.file("launcher.exe");
  EXPECT_EQ(runAssociate(associate, o3, e3), 1);
  AssociateOptions stray;
  stray.executable = dir.file("notes.exe");
  stray.installDir = "C:\\x";
  std::ostringstream o4, e4;
  EXPECT_EQ(runAssociate(stray, o4, e4), 1);
  EXPECT_NE(e4.str().find("--install-dir goes with --reg-file FILE"), std::string::npos);
}

}  // namespace
}  // namespace tessel
