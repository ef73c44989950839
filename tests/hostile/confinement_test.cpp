// Decoders that a crafted picture has taken over, played by decoder
// processes told to misbehave: what each tries is stopped, its load gives
// no picture, and the next load, in a decoder process of its own, works.

#include "childprocesses.h"
#include "decoderprocess.h"
#include "testpictures.h"
#include "workdir.h"
#include "workerthread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A local socket listening in the work folder, as a service would.
class Listener
{
public:
    explicit Listener(const std::string &path) : m_fd(socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        EXPECT_EQ(bind(m_fd, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
        EXPECT_EQ(listen(m_fd, 4), 0);
    }
    ~Listener() { close(m_fd); }

    bool connected() const
    {
        const int peer = accept(m_fd, nullptr, nullptr);
        if (peer >= 0)
            close(peer);
        return peer >= 0;
    }

private:
    int m_fd;
};

class Misbehaving : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ScopedWorkDir::write("card.jpg", encodeJpeg(testPattern(105, 153)));
        setDecoderHangTimeForTesting(std::chrono::milliseconds(500));
    }
    void TearDown() override
    {
        setDecoderMisbehaviourForTesting({});
        setDecoderHangTimeForTesting(std::chrono::milliseconds(0));
    }

    // Loads the card in a decoder process that misbehaves so: no picture.
    void expectNoPicture(const std::string &misbehaviour)
    {
        setDecoderMisbehaviourForTesting(misbehaviour);
        Bitmap target;
        EXPECT_FALSE(loadPictureConfined("card.jpg", target));
        EXPECT_TRUE(target.isEmpty());
        setDecoderMisbehaviourForTesting({});
    }

    // The next load works, and every decoder process ended before is reaped.
    void expectTheNextLoadWorks()
    {
        Bitmap target;
        EXPECT_TRUE(loadPictureConfined("card.jpg", target));
        EXPECT_EQ(target.width(), 105);
        for (const pid_t child : childProcesses(getpid()))
            EXPECT_EQ(processStatus(child, "State").find("zombie"), std::string::npos) << child << " not reaped";
    }

    ScopedWorkDir dir;
};

} // namespace

TEST_F(Misbehaving, WhatATakenOverDecoderTriesIsStopped)
{
    const std::string created = dir.path() + "/created", ran = dir.path() + "/ran";
    const std::string program = dir.path() + "/program";
    ScopedWorkDir::write(program, "#!/bin/sh\ntouch '" + ran + "'\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    const Listener listener(dir.path() + "/service");
    const struct {
        std::string misbehaviour;
        std::function<bool()> achieved;
    } cases[] = {
        {"open:" + created, [&] { return std::filesystem::exists(created); }},
        {"connect:" + dir.path() + "/service", [&] { return listener.connected(); }},
        {"exec:" + program, [&] { return std::filesystem::exists(ran); }},
        {"crash", nullptr},
        {"hang", nullptr},
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) // their builds bound no address space
        {"memory", nullptr},
#endif
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.misbehaviour);
        expectNoPicture(c.misbehaviour);
        if (c.achieved) {
            EXPECT_FALSE(c.achieved());
        }
        expectTheNextLoadWorks();
    }
    // What the tries would have done unconfined, here in the test's own process.
    EXPECT_EQ(std::system(program.c_str()), 0);
    EXPECT_TRUE(std::filesystem::exists(ran));
}

TEST_F(Misbehaving, DecodersRunConfinedInProcessesOfTheirOwn)
{
    expectTheNextLoadWorks();
    const pid_t decoder = childProcesses(getpid()).at(0);
    EXPECT_EQ(processStatus(decoder, "Seccomp"), "Seccomp:\t2");
    EXPECT_EQ(processStatus(decoder, "NoNewPrivs"), "NoNewPrivs:\t1");
    EXPECT_EQ(processStatus(getpid(), "Seccomp"), "Seccomp:\t0") << "the window's process is not confined";
}

TEST_F(Misbehaving, ASystemThatCannotConfineDecodersDecodesNothingAndSaysWhy)
{
    expectNoPicture("unconfined");
    EXPECT_NE(decoderUnavailableReason().find("seccomp"), std::string::npos);
    expectTheNextLoadWorks();
    EXPECT_EQ(decoderUnavailableReason(), "");

    setDecoderProgramForTesting(dir.path() + "/missing");
    Bitmap target;
    EXPECT_FALSE(loadPictureConfined("card.jpg", target));
    EXPECT_NE(decoderUnavailableReason().find("/missing"), std::string::npos);
    setDecoderProgramForTesting(KUERUMI_DECODER);
    expectTheNextLoadWorks();
}

// A load given up beside the window is stopped by its decoder process
// itself, which then serves the next load: it is told, not killed.
TEST_F(Misbehaving, ALoadGivenUpIsStoppedByItsDecoder)
{
    // Tenths of a second of decoding after its target, with nothing more
    // to ask of the window's process.
    QImage large(6000, 6000, QImage::Format_Indexed8);
    large.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    large.fill(1);
    ScopedWorkDir::write("slow.gif", encodeGif(large));
    bool loaded = true;
    const std::shared_ptr<WorkerJob> slow = Worker::start([&loaded] {
        Bitmap target;
        loaded = loadPictureConfined("slow.gif", target);
    });
    // Given up once its decoder process draws into its target: the memory
    // shared with it, larger than its control page.
    const auto decoding = [] {
        for (const pid_t child : childProcesses(getpid())) {
            std::ifstream maps("/proc/" + std::to_string(child) + "/maps");
            for (std::string line; std::getline(maps, line);) {
                unsigned long start = 0, end = 0;
                if (line.find("/memfd:kuerumi-pixels") != std::string::npos
                    && std::sscanf(line.c_str(), "%lx-%lx", &start, &end) == 2 && end - start > 4096)
                    return child;
            }
        }
        return pid_t(0);
    };
    pid_t decoder = 0;
    while (!slow->done() && (decoder = decoding()) == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    slow->giveUp();
    slow->wait();
    ASSERT_NE(decoder, 0) << "the picture was loaded before it could be given up";
    EXPECT_FALSE(loaded);
    const std::vector<pid_t> running = childProcesses(getpid());
    EXPECT_NE(std::find(running.begin(), running.end(), decoder), running.end()) << "the decoder process lives on";
    bool next = false;
    Worker::start([&next] {
        Bitmap target;
        next = loadPictureConfined("card.jpg", target);
    })->wait();
    EXPECT_TRUE(next);
    EXPECT_EQ(childProcesses(getpid()), running) << "and loads the next picture";
}
