#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <random>
#include <thread>

#include "e2e_common.h"

namespace {

const std::string kSixteenNuls = "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";
const std::string kBandAtTop = "1B 24 00 00 1B 2A 27 01 00 80 00 00 0D";

class Cancellation : public testing::Test {
protected:
    std::string dir;
    std::string ppd;
    void SetUp() override
    {
        dir = testDirectory("cancel");
        ppd = writePpd(dir);
    }
    // An uncompressed one-page job, so a prefix holds whole lines.
    std::vector<unsigned char> job(uint32_t lines, std::vector<uint32_t> dotLines)
    {
        RasterPage page = page180(lines);
        for (uint32_t y : dotLines)
            setDot(&page, 0, y);
        return rasterBytes({page}, false);
    }
    static size_t prefixWithLines(uint32_t lines) { return 4 + 1796 + static_cast<size_t>(lines) * 180; }
};

void pause(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

TEST_F(Cancellation, WhileBlockedOnInputBetweenBands)
{
    std::vector<unsigned char> bytes = job(1000, {0, 30});
    LiveFilter filter = startFilter("", ppd, dir);
    // Lines 0 to 99 arrive: two bands print, then the filter waits for more.
    ASSERT_TRUE(feedFilter(&filter, bytes.data(), prefixWithLines(100)));
    ASSERT_TRUE(waitForStatus(filter, "INFO: Printing page 1, 0% complete...", 10000));
    pause(300);
    kill(filter.pid, SIGTERM);
    auto start = std::chrono::steady_clock::now();
    FilterRun r = finishFilter(&filter);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(hexOf(r.out), kJobStart + " " + kBandAtTop + " 1B 4A 1E " + kBandAtTop + " " + kSixteenNuls +
                                " 0C " + kJobEnd);
    EXPECT_EQ(r.err.find("INFO: Ready to print."), std::string::npos);
}

TEST_F(Cancellation, WhileBlockedOnInputBeforeAnyBand)
{
    std::vector<unsigned char> bytes = job(1000, {500});
    LiveFilter filter = startFilter("", ppd, dir);
    ASSERT_TRUE(feedFilter(&filter, bytes.data(), prefixWithLines(10)));
    ASSERT_TRUE(waitForStatus(filter, "INFO: Printing page 1, 0% complete...", 10000));
    pause(200);
    kill(filter.pid, SIGTERM);
    FilterRun r = finishFilter(&filter);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(hexOf(r.out), kJobStart + " " + kSixteenNuls + " 0C " + kJobEnd);
}

TEST_F(Cancellation, BetweenPagesAndAfterTheLastPageItIsIgnored)
{
    std::vector<unsigned char> bytes = job(24, {0});
    LiveFilter filter = startFilter("", ppd, dir);
    ASSERT_TRUE(feedFilter(&filter, bytes.data(), bytes.size()));
    // The page end reaches the output when the page is done.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (readBinaryFile(filter.outPath).empty() && std::chrono::steady_clock::now() < deadline)
        pause(5);
    pause(100);
    kill(filter.pid, SIGTERM);
    pause(100);
    FilterRun r = finishFilter(&filter);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(hexOf(r.out), kJobStart + " " + kBandAtTop + " 0C " + kJobEnd);
    EXPECT_NE(r.err.find("INFO: Ready to print.\n"), std::string::npos);
}

TEST_F(Cancellation, BeforeTheFirstPageTheInheritedDispositionApplies)
{
    LiveFilter filter = startFilter("", ppd, dir);
    std::vector<unsigned char> bytes = job(24, {0});
    ASSERT_TRUE(feedFilter(&filter, bytes.data(), 4)); // the sync word only
    pause(300);
    kill(filter.pid, SIGTERM);
    FilterRun r = finishFilter(&filter);
    EXPECT_EQ(r.signal, SIGTERM);
    EXPECT_TRUE(r.out.empty());
}

TEST_F(Cancellation, AtRandomMomentsOfABusyJobTheStreamEndsCleanly)
{
    // Four pages of dense bands written as fast as the filter can.
    std::vector<RasterPage> pages;
    std::mt19937 random(7);
    for (int p = 0; p < 4; ++p) {
        RasterPage page = page180(1800);
        for (uint32_t y = 0; y < 1800; y += 1 + random() % 3)
            for (uint32_t x = random() % 64; x < 1440; x += 1 + random() % 40)
                setDot(&page, x, y);
        pages.push_back(page);
    }
    std::vector<unsigned char> bytes = rasterBytes(pages, true);
    for (int trial = 0; trial < 8; ++trial) {
        LiveFilter filter = startFilter("", ppd, dir);
        ASSERT_TRUE(feedFilter(&filter, bytes.data(), bytes.size() / 2));
        ASSERT_TRUE(waitForStatus(filter, "PAGE: 1 1", 10000));
        pause(2 + static_cast<int>(random() % 40));
        kill(filter.pid, SIGTERM);
        FilterRun r = finishFilter(&filter);
        ASSERT_EQ(r.exitStatus, 0) << "trial " << trial;
        std::string out = hexOf(r.out);
        ASSERT_GE(out.size(), kSixteenNuls.size() + 12) << "trial " << trial;
        EXPECT_EQ(out.substr(out.size() - kSixteenNuls.size() - 12), kSixteenNuls + " 0C " + kJobEnd)
            << "trial " << trial;
        EXPECT_EQ(out.substr(0, kJobStart.size()), kJobStart);
    }
}
