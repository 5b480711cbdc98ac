// Where a write inside a disc folder lands: the folder that holds the file,
// opened beneath the disc's root without following a symbolic link in any
// part of the path, so that no link in the disc folder carries a write
// outside it. Every command that writes into a disc makes, renames and
// removes its files through one of these, by descriptor.
#pragma once

#include <sys/types.h>

#include <string>

class CDiscPlace {
public:
    CDiscPlace() = default;
    CDiscPlace(const CDiscPlace&) = delete;
    CDiscPlace& operator=(const CDiscPlace&) = delete;
    ~CDiscPlace();

    // path: the disc's root (taken as given, links and all), "/", and the
    // file's path below it. False with the reason, naming the path below the
    // root, when a part of it or the file itself is a symbolic link (with
    // the remedy), a part is no folder, or the file's state cannot be read.
    bool Open(const std::string& root, const std::string& path, std::string* error);
    // Another name in the folder of an open place, reached through its
    // descriptor and not by the path again. False with errno.
    bool OpenBeside(const CDiscPlace& place, const std::string& name);

    int folder() const { return m_folder; }  // an O_PATH descriptor of the folder that holds it
    const std::string& name() const { return m_name; }
    const std::string& relative() const { return m_relative; }  // below the root, for messages
    bool exists() const { return m_bExists; }
    mode_t mode() const { return m_mode; }  // its type and permissions, where it exists

private:
    void Close();

    int m_folder = -1;
    std::string m_name, m_relative;
    bool m_bExists = false;
    mode_t m_mode = 0;
};
