// A scratch folder of this test process, ending with '/', removed at exit.
// ctest runs tests as parallel processes: a shared name would let them
// overwrite each other's files.
#pragma once

#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

inline const std::string& ProcessTempDir() {
    struct Folder {
        std::string path;
        Folder() {
            char name[] = "/tmp/bxtest-XXXXXX";
            path = std::string(mkdtemp(name)) + "/";
        }
        ~Folder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
    static Folder folder;
    return folder.path;
}

// A file of exactly these bytes.
inline void WriteTextFile(const std::string& path, const std::string& text) {
    FILE* f = fopen(path.c_str(), "wb");
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
}
