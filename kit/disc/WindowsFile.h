// The Windows files of a disc as the kit reads them without Windows:
// programs (their resources, manifests and whether they carry a signature),
// icons and installer packages. Every read stays inside the bytes given.
#pragma once

#include <string>
#include <vector>

const unsigned kResourceGroupIcon = 14;  // RT_GROUP_ICON
const unsigned kResourceManifest = 24;   // RT_MANIFEST

// A PE file's headers; the bytes may be only the file's head.
bool IsPeFile(const std::vector<unsigned char>& head);
// True when the PE's certificate table is not empty.
bool PeHasSignature(const std::vector<unsigned char>& head);
// The data of every resource of the type, in the file's order; false when
// the bytes are no PE or its resource directory leaves the file.
bool ReadPeResources(const std::vector<unsigned char>& file, unsigned type, std::vector<std::string>* data);

// An OLE compound file, as an installer package is.
bool IsCompoundFile(const std::vector<unsigned char>& head);

// The widths of an .ico file's images (256 for a width byte of 0); false
// when the file is no icon or an image lies outside it.
bool ReadIconSizes(const std::vector<unsigned char>& file, std::vector<int>* sizes);

// What a program's manifests ask of Windows, read as Windows reads them:
// without their comments, a value without its blanks and in any case.
struct ManifestRequests {
    bool asInvoker = false;  // requestedExecutionLevel asInvoker: no administrator asked for
    bool dpiAware = false;   // Windows 8.1 and later draw it unscaled
};
ManifestRequests ReadManifests(const std::vector<std::string>& manifests);
