#include "catalogue/catalogue_tabs.h"

#include <gtest/gtest.h>

#include "catalogue/catalogue_table.h"
#include "program_ports_fake.h"

namespace ports_test {
namespace {

using Lines = std::vector<std::string>;

TEST(CatalogueTable, ListUrlsAreCodePage936Paths)
{
    // 软件的/电影库/ in code page 936
    const std::string folder = "/\xC8\xED\xBC\xFE\xB5\xC4/\xB5\xE7\xD3\xB0\xBF\xE2/";
    EXPECT_EQ(catalogue::list_url("h", 0), "http://h" + folder + "\xB5\xE7\xCA\xD3\xBE\xE7.txt");  // 电视剧
    EXPECT_EQ(catalogue::list_url("h:81", 1), "http://h:81" + folder + "\xB5\xE7\xD3\xB0.txt");    // 电影
    EXPECT_EQ(catalogue::list_url("h", 2), "http://h" + folder + "dm.txt");
    EXPECT_EQ(catalogue::list_url("h", 3), "http://h" + folder + "\xB8\xA3\xC0\xFB.txt");          // 福利
    EXPECT_EQ(catalogue::list_url("h", 4), "http://h" + folder + "\xC8\xED\xBC\xFE.txt");          // 软件
}

TEST(CatalogueTabs, LoadPutsTheFetchedListIntoItsBox)
{
    for (int tab = 0; tab < catalogue::lists; ++tab) {
        FakePorts ports;
        const std::string url = catalogue::list_url(ports.catalogue_host(), tab);
        ports.bodies[url] = "list " + std::to_string(tab) + "\nline 2\n";
        ports.controls["编辑框" + std::to_string(tab + 1)] = "typed by the user";
        catalogue::load_catalogue_list(ports, tab);
        EXPECT_EQ(ports.log, (Lines{"fetch " + url, "content 编辑框" + std::to_string(tab + 1)}));
        EXPECT_EQ(ports.controls["编辑框" + std::to_string(tab + 1)], ports.bodies[url]);
    }
}

TEST(CatalogueTabs, FailedLoadEmptiesTheBox)
{
    FakePorts ports;
    ports.controls["编辑框3"] = "an earlier list";
    catalogue::load_catalogue_list(ports, 2);
    EXPECT_EQ(ports.controls["编辑框3"], "");
}

TEST(CatalogueTabs, ClickLoadsTheCurrentTabsListOnly)
{
    for (int tab : {0, 1, 2, 3, 4}) {
        FakePorts ports;
        ports.tab = tab;
        catalogue::handle_tab_click(ports);
        Lines expected;
        for (int k = 0; k < catalogue::lists; ++k) {
            expected.push_back("current tab");
            if (k == tab) {
                expected.push_back("fetch " + catalogue::list_url(ports.catalogue_host(), k));
                expected.push_back("content 编辑框" + std::to_string(k + 1));
            }
        }
        EXPECT_EQ(ports.log, expected) << tab;
    }
}

TEST(CatalogueTabs, ClickOnATabWithoutAListLoadsNothing)
{
    for (int tab : {5, -1}) {
        FakePorts ports;
        ports.tab = tab;
        catalogue::handle_tab_click(ports);
        EXPECT_EQ(ports.log, Lines(5, "current tab")) << tab;
    }
}

}  // namespace
}  // namespace ports_test
