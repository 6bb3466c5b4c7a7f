// moviecapture.exe as a user runs it on Windows: it starts the host beside
// it (which finds the fake control as flash10c.ocx there) and writes PNG
// files through the Windows Imaging Component, or raw frames.
#include "windows_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace {

using moviehost::wintest::ProgramFolder;
using moviehost::wintest::TempFolder;

// An uncompressed movie of one empty frame with a 64 x 48 pixel stage.
std::vector<std::uint8_t> TinyMovie() {
    std::vector<std::uint8_t> rect;
    std::uint32_t bits = 0;
    int used = 0;
    const auto put = [&](std::uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            bits = (bits << 1) | ((value >> i) & 1U);
            if (++used == 8) {
                rect.push_back(static_cast<std::uint8_t>(bits));
                bits = 0;
                used = 0;
            }
        }
    };
    put(15, 5);
    for (const std::uint32_t twips : {0U, 64U * 20U, 0U, 48U * 20U})
        put(twips, 15);
    if (used > 0)
        rect.push_back(static_cast<std::uint8_t>(bits << (8 - used)));
    std::vector<std::uint8_t> movie{'F', 'W', 'S', 10, 0, 0, 0, 0};
    movie.insert(movie.end(), rect.begin(), rect.end());
    for (const std::uint8_t byte : {0, 12, 1, 0, 0, 0})  // 12 fps, one frame, the end tag
        movie.push_back(byte);
    const auto length = static_cast<std::uint32_t>(movie.size());
    for (int i = 0; i < 4; ++i)
        movie[4 + i] = static_cast<std::uint8_t>(length >> (8 * i));
    return movie;
}

// Runs a program with its output in a pipe we made; its exit code, or -1.
int RunProgram(std::wstring commandLine, std::string& output) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 1 << 20))
        return -1;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION started{};
    const BOOL made = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                     nullptr, &startup, &started);
    CloseHandle(writeEnd);
    if (!made) {
        CloseHandle(readEnd);
        return -1;
    }
    char chunk[65536];
    DWORD n = 0;
    while (ReadFile(readEnd, chunk, sizeof chunk, &n, nullptr) && n > 0)
        output.append(chunk, n);
    CloseHandle(readEnd);
    WaitForSingleObject(started.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(started.hProcess, &code);
    CloseHandle(started.hProcess);
    CloseHandle(started.hThread);
    return static_cast<int>(code);
}

class MoviecaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto bytes = TinyMovie();
        std::ofstream(m_movie.c_str(), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    std::wstring Command(const std::wstring& options) const {
        return L"\"" + ProgramFolder() + L"moviecapture.exe\" \"" + m_movie + L"\" " + options;
    }

    TempFolder m_folder;
    std::wstring m_movie = m_folder.Path() + L"tiny.swf";
};

TEST_F(MoviecaptureTest, WritesPngFilesOfTheMoviesStageSize) {
    const std::wstring out = m_folder.Path() + L"frames";
    std::string said;
    ASSERT_EQ(0, RunProgram(Command(L"--frames 3 --out \"" + out + L"\""), said)) << said;
    for (const wchar_t* name : {L"\\frame_00001.png", L"\\frame_00002.png", L"\\frame_00003.png"}) {
        std::ifstream png((out + name).c_str(), std::ios::binary);
        ASSERT_TRUE(png) << "missing " << moviehost::wintest::Narrow(name);
        unsigned char head[24] = {};
        png.read(reinterpret_cast<char*>(head), sizeof head);
        EXPECT_EQ(0x89, head[0]);
        EXPECT_EQ('P', head[1]);
        // IHDR: width and height, big-endian, right after the signature.
        EXPECT_EQ(64, (head[16] << 24) | (head[17] << 16) | (head[18] << 8) | head[19]);
        EXPECT_EQ(48, (head[20] << 24) | (head[21] << 16) | (head[22] << 8) | head[23]);
    }
}

TEST_F(MoviecaptureTest, RawFramesAreThePixelsAlone) {
    std::string bytes;
    ASSERT_EQ(0, RunProgram(Command(L"--frames 2 --size 16x8 --raw"), bytes));
    EXPECT_EQ(2u * 16u * 8u * 4u, bytes.size());
}

TEST_F(MoviecaptureTest, NoMovieAndNoVideoAreRefused) {
    std::string said;
    EXPECT_EQ(3,
              RunProgram(L"\"" + ProgramFolder() + L"moviecapture.exe\" \"" + m_folder.Path() + L"none.swf\"", said));
    said.clear();
    EXPECT_NE(0, RunProgram(Command(L"--out \"" + m_folder.Path() + L"clip.mp4\""), said));
    EXPECT_NE(std::string::npos, said.find("not made on Windows")) << said;
}

}  // namespace
