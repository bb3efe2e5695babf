#pragma once
// An operating system for tests: records the desktop calls and answers them as told, and keeps
// the files real unless writes are to fail.

#include "platform/Os.h"

#include <QStringList>

#include <atomic>

// An operating system that records the desktop calls and keeps the files real.
struct FakeOs : platform::OperatingSystem {
    platform::OperatingSystem& real = platform::nativeOs();
    QStringList calls;
    uint32_t window = 0;
    bool failWrites = false;
    bool replaceFile(const QString& path, const QByteArray& content, QString* error) override {
        calls << "replaceFile";
        if (failWrites && error) *error = "writing: No space left on device";
        return !failWrites && real.replaceFile(path, content, error);
    }
    // The log's steps: counted, and each one can be made to fail. The log's writer thread
    // may take them.
    std::atomic<int> replacements = 0, reads = 0;
    std::atomic<bool> failAppend = false, failReplace = false, failRead = false;
    bool replaceFileThrough(const QString& temp, const QString& path, const std::vector<platform::FilePiece>& pieces,
                            platform::FileState* after) override {
        ++replacements;
        return !failReplace && real.replaceFileThrough(temp, path, pieces, after);
    }
    bool appendToFile(const QString& path, QByteArrayView bytes, platform::FileState* after) override {
        return !failAppend && real.appendToFile(path, bytes, after);
    }
    platform::FileState fileState(const QString& path) override { return real.fileState(path); }
    std::unique_ptr<platform::ReadableFile> openForReading(const QString& path) override {
        ++reads;
        return failRead ? nullptr : real.openForReading(path);
    }
    platform::ChildOutcome runChild(const QString& program, const QStringList& args, const platform::ChildLimits& l,
                                    QByteArray* out) override {
        return real.runChild(program, args, l, out);
    }
    platform::WindowLookup findWindowByTitle(const QString& title) override {
        calls << "findWindow " + title;
        return {window, false, 0, {}};
    }
    bool activateKeyboardLayout(int32_t handle) override {
        calls << QStringLiteral("activate %1").arg(handle, 0, 16);
        return true;
    }
    int currentKeyboardGroup() override {
        calls << "currentGroup";
        return 2;
    }
    void restoreKeyboardGroup(int group) override { calls << QStringLiteral("restore %1").arg(group); }
    QString fileSystemRoot(const QString& path) override { return real.fileSystemRoot(path); }
    void endProcess() override { calls << "endProcess"; }
};
