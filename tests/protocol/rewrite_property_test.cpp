// Seeded random fault schedules against the whole rewrite of each loader generation on the
// virtual line and clock: whatever the radio does, the run fails at a named stage, or it
// succeeds and the radio's flash equals the image (every used row is in it, the rest erased);
// and every block or row counted written is in the radio's flash.
//
// VELMAR_PROPERTY_SCHEDULES (default 3000) and VELMAR_PROPERTY_SEED (the first seed) make a
// longer run or replay one schedule; bench/rewrite_property.sh runs many.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "image/blocks.h"
#include "protocol/rewrite_sequence.h"
#include "sim/earlier_loader_model.h"
#include "support/radio_bench.h"

namespace velmar {
namespace {

using sim::FaultKind;
using sim::FaultPlan;
using sim::FaultRule;
using testing::loadBlock;
using testing::loadByte;
using testing::RadioBench;
using testing::RecordingObserver;

uint64_t envNumber(const char* name, uint64_t fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
}

// Connect, up to three erases, four blocks with their retries and the end fit in 16 frames;
// so do the earlier loader's erases, its four rows (a frame and an "OK" each) and its end.
constexpr int kFramesInPlay = 16;

FaultPlan randomPlan(std::mt19937_64& random, std::chrono::milliseconds longestDelay) {
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    constexpr FaultKind kKinds[] = {
        FaultKind::Delay,   FaultKind::Unwritten, FaultKind::Drop,     FaultKind::AnswerE,
        FaultKind::Shorten, FaultKind::Corrupt,   FaultKind::Lengthen, FaultKind::Twice,
        FaultKind::Foreign, FaultKind::Status,
    };
    FaultPlan plan;
    for (int rules = pick(1, 4); rules > 0; --rules) {
        FaultRule rule;
        rule.frame = pick(1, kFramesInPlay);
        rule.count = pick(1, 3);
        rule.kind = kKinds[pick(0, std::size(kKinds) - 1)];
        rule.delay = std::chrono::milliseconds(pick(0, static_cast<int>(longestDelay.count())));
        rule.keepBytes = static_cast<std::size_t>(pick(0, 1035));
        rule.extraBytes = static_cast<std::size_t>(pick(1, 40));
        rule.status = static_cast<uint8_t>(pick(0, 255));
        plan.rules.push_back(rule);
    }
    if (pick(0, 5) == 0) plan.silentFromFrame = pick(1, kFramesInPlay);
    if (pick(0, 9) == 0) plan.vanishAtFrame = pick(1, kFramesInPlay);
    return plan;
}

std::string describe(const FaultPlan& plan) {
    std::string text;
    for (const FaultRule& rule : plan.rules)
        text += " kind " + std::to_string(static_cast<int>(rule.kind)) + " at " +
                std::to_string(rule.frame) + "x" + std::to_string(rule.count) + " (" +
                std::to_string(rule.delay.count()) + " ms, keep " + std::to_string(rule.keepBytes) +
                ");";
    return text + " silent from " + std::to_string(plan.silentFromFrame) + ", vanish at " +
           std::to_string(plan.vanishAtFrame);
}

struct Schedules {
    const char* generation;
    uint64_t count;  // unless VELMAR_PROPERTY_SCHEDULES says otherwise
    std::chrono::milliseconds longestDelay;
    std::size_t acceptedBytes;  // of a block or row counted written
};

// Runs `rewrite` (on a fresh bench whose radio has the schedule's faults) under every schedule.
template <typename Rewrite>
void checkSchedules(const Schedules& kind, const MemoryImage& image, Rewrite rewrite) {
    const char* generation = kind.generation;
    const uint64_t schedules = envNumber("VELMAR_PROPERTY_SCHEDULES", kind.count);
    const uint64_t firstSeed = envNumber("VELMAR_PROPERTY_SEED", 20261208);
    const auto imageBytes = image.bytes();

    const auto started = std::chrono::steady_clock::now();
    uint64_t succeeded = 0;
    for (uint64_t seed = firstSeed; seed < firstSeed + schedules; ++seed) {
        std::mt19937_64 random(seed);
        const FaultPlan plan = randomPlan(random, kind.longestDelay);
        RadioBench bench;
        bench.radio.setFaultPlan(plan);
        RecordingObserver observer;
        const auto outcome = rewrite(bench, observer);

        const std::string replay = std::string(generation) +
                                   " replay: VELMAR_PROPERTY_SEED=" + std::to_string(seed) +
                                   " VELMAR_PROPERTY_SCHEDULES=1;" + describe(plan);
        const auto& flash = bench.radio.flash();
        if (outcome.succeeded()) {
            ++succeeded;
            ASSERT_TRUE(std::equal(imageBytes.begin(), imageBytes.end(), flash.begin()))
                << "success reported, flash differs; " << replay;
        } else {
            ASSERT_TRUE(outcome.failed == RewriteStage::Connect ||
                        outcome.failed == RewriteStage::Erase ||
                        outcome.failed == RewriteStage::Write)
                << replay;
        }
        ASSERT_EQ(outcome.blocksWritten, observer.acceptedAddresses.size()) << replay;
        for (const int32_t address : observer.acceptedAddresses) {
            const auto offset = static_cast<std::ptrdiff_t>(address - kImageFirstAddress);
            const auto length = static_cast<std::ptrdiff_t>(kind.acceptedBytes);
            ASSERT_TRUE(std::equal(flash.begin() + offset, flash.begin() + offset + length,
                                   imageBytes.begin() + offset))
                << "address " << address << " counted written, not in flash; " << replay;
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%s: %llu schedules (%llu succeeded) in %.2f s: %.0f schedules a second\n",
                generation, static_cast<unsigned long long>(schedules),
                static_cast<unsigned long long>(succeeded), seconds,
                static_cast<double>(schedules) / seconds);
}

TEST(RewriteProperty, FailsAtANamedStageOrTheFlashEqualsTheImage) {
    MemoryImage image;
    image.clearImage();
    for (const int32_t row : {1024, 1088, 3520, 9152}) loadBlock(image, row, 7);
    checkSchedules({"current loader", 3000, std::chrono::milliseconds(6000), kBlockRows * kColumns},
                   image, [&](RadioBench& bench, RecordingObserver& observer) {
                       const RewriteRun run{.port = RadioBench::kPort, .observer = observer};
                       return runRewrite(bench.link, image, run);
                   });
}

TEST(RewriteProperty, EarlierLoaderFailsAtANamedStageOrTheFlashEqualsTheImage) {
    MemoryImage image;
    image.clearImage();
    // The first and last rows its 16-bit addresses reach, a neighbour and one between.
    for (const int32_t row : {0x400, 0x401, 0x9A5, 0xFFF})
        for (int32_t column = 0; column < kColumns; ++column)
            loadByte(image, row * kColumns + column, static_cast<uint8_t>(row * 7 + column * 13));
    // Its exchanges each run the whole wait, hence fewer schedules in about the same time.
    checkSchedules({"earlier loader", 1000, std::chrono::milliseconds(6000), kColumns}, image,
                   [&](RadioBench& bench, RecordingObserver& observer) {
                       sim::useEarlierLoader(bench.radio);
                       const EarlierRewriteRun run{.port = RadioBench::kPort, .observer = observer};
                       return runEarlierRewrite(bench.link, image, run);
                   });
}

}  // namespace
}  // namespace velmar
