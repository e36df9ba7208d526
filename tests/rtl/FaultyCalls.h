// Makes close or fsync of the safe write's temporary file fail, as a failing disk or a full
// network file system does. The calls are wrapped at link time (--wrap), so only the code of
// this test program meets the failure, and only while a FailOnTemporaryFile lives.
#pragma once

namespace faulty {

enum class Call { Close, Fsync };

class FailOnTemporaryFile {
public:
    FailOnTemporaryFile(Call call, int error);
    ~FailOnTemporaryFile();
    FailOnTemporaryFile(const FailOnTemporaryFile&) = delete;
    FailOnTemporaryFile& operator=(const FailOnTemporaryFile&) = delete;
    // How often the call failed.
    int Failures() const;
};

}  // namespace faulty
