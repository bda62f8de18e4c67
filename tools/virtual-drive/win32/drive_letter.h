#pragma once

#include <cstdint>
#include <string>

namespace rubo::vdrive::win32 {

// Makes LETTER a CD-ROM drive of Wine's mount manager whose files are the Unix
// folder UNIX_DIR and whose volume serial is SERIAL. False with a reason in
// ERROR when the mount manager refuses (for example outside Wine).
bool defineCdromDrive(char letter, const std::string& unixDir, std::uint32_t serial,
                      std::string& error);

} // namespace rubo::vdrive::win32

namespace rubo::vdrive::win32 {

// The Unix folder behind a drive letter of Wine's mount manager.
bool queryDriveFolder(char letter, std::string& unixDir, std::string& error);

// Makes the drive show SERIAL and LABEL: writes the files Wine reads them from
// into the drive's folder and defines the drive again.
bool updateDriveVolume(char letter, std::uint32_t serial, const std::string& label,
                       std::string& error);

} // namespace rubo::vdrive::win32
