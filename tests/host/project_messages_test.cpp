// Project-file mistakes named with their cause: misspelt names get the nearest known one.
#include <gtest/gtest.h>

#include "nearest_name.h"
#include "project_file.h"
#include "project_test_support.h"

namespace tessel {
namespace {

using test::errorsOf;

TEST(NearestName, CountsSlipsOfTheKindTypistsMake) {
  EXPECT_EQ(nameDistance("color", "colour"), 1u);
  EXPECT_EQ(nameDistance("widht", "width"), 1u);  // two neighbours swapped
  EXPECT_EQ(nameDistance("Main_Class", "main_class"), 0u);
  EXPECT_EQ(nameDistance("", "abc"), 3u);
  EXPECT_EQ(nearestName("color", {"colour", "font", "size"}), "colour");
  EXPECT_EQ(nearestName("mainclass", {"main_class", "class_path"}), "main_class");
  // Far from everything: no guess rather than a wrong one.
  EXPECT_EQ(nearestName("bogus", {"name", "flavour", "executable_type"}), "");
  EXPECT_EQ(nearestName("x", {"y", "x2"}), "y");
  EXPECT_EQ(nearestName(std::string(200, 'a'), {std::string(200, 'a')}), "");
}

TEST(ProjectMessages, MisspeltNamesSuggestTheNearestKnownOne) {
  EXPECT_EQ(errorsOf("[splash.status_line]\ncolor = \"0,0,0\"\n"),
            std::vector<std::string>{
                "app.toml:2: `color`: unknown setting in [splash.status_line]; did you mean `colour`?"});
  EXPECT_EQ(errorsOf("[aplication]\nname = \"x\"\n"),
            std::vector<std::string>{"app.toml:1: `aplication`: unknown section; did you mean `application`?"});
  EXPECT_EQ(errorsOf("[java]\nmin_versoin = \"1.8\"\n"),
            std::vector<std::string>{"app.toml:2: `min_versoin`: unknown setting in [java]; did you mean `min_version`?"});
  EXPECT_EQ(errorsOf("[splash]\nstatus_lin = 3\n"),
            std::vector<std::string>{"app.toml:2: `status_lin`: unknown setting in [splash]; did you mean `status_line`?"});
  EXPECT_EQ(errorsOf("[messages]\ncaptoin = \"x\"\n"),
            std::vector<std::string>{"app.toml:2: `captoin`: unknown message name; did you mean `caption`?"});
  EXPECT_EQ(errorsOf("[keys]\nsplash_widht = 3\n"),
            std::vector<std::string>{"app.toml:2: `splash_widht`: unknown key name (give a key name or a "
                                     "key number); did you mean `splash_width`?"});
  EXPECT_EQ(errorsOf("[identity]\nicno = \"a.ico\"\n"),
            std::vector<std::string>{"app.toml:2: `icno`: unknown setting in [identity]; did you mean `icon`?"});
  EXPECT_EQ(errorsOf("[identity.version]\ncompnay = \"x\"\n"),
            std::vector<std::string>{
                "app.toml:2: `compnay`: unknown setting in [identity.version]; did you mean `company`?"});
  // [signing] used to ignore names it did not know, so a misspelt password went unnoticed.
  EXPECT_EQ(errorsOf("[signing]\npkcs12 = \"a.p12\"\npasword = \"x\"\n"),
            std::vector<std::string>{"app.toml:3: `pasword`: unknown setting in [signing]; did you mean `password`?"});
}

TEST(ProjectMessages, ImageSettingsKeepTheirLines) {
  Project project;
  ASSERT_TRUE(test::parsed("[identity]\n\nicon = \"a.png\"\nsplash_bitmap = \"s.bmp\"\n"
                           "runtime_splash_image = \"r.gif\"\n[java]\nmain_class = \"a.B\"\n",
                           project, "dir/app.toml"));
  EXPECT_EQ(project.identity.icon, "dir/a.png");
  EXPECT_EQ(project.identity.iconLine, 3u);
  EXPECT_EQ(project.identity.splashBitmapLine, 4u);
  EXPECT_EQ(project.identity.runtimeSplashImageLine, 5u);
}

}  // namespace
}  // namespace tessel
