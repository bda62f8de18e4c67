#include "app/command_line.h"

#include "base/text_format.h"

#include <fstream>

namespace rubo {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// The next argument from `at`, quotes removed; false at the end.
bool nextArgument(const std::string& line, std::size_t& at, std::string& argument) {
    while (at < line.size() && isBlank(line[at]))
        ++at;
    if (at >= line.size())
        return false;
    argument.clear();
    bool quoted = false;
    for (; at < line.size() && (quoted || !isBlank(line[at])); ++at) {
        if (line[at] == '"')
            quoted = !quoted;
        else
            argument += line[at];
    }
    return true;
}

} // namespace

bool readFileHead(const std::string& path, std::string& head) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    char buffer[kCdaHeadBytes];
    in.read(buffer, sizeof buffer);
    head.assign(buffer, static_cast<std::size_t>(in.gcount()));
    return true;
}

StartupRequest interpretCommandLine(const std::string& file, int autoPlay,
                                    const FileHeadReader& readHead) {
    StartupRequest request;
    if (file.empty()) {
        if (autoPlay) {
            request.kind = StartupRequest::AutoPlay;
            request.track = 1;
        }
        return request;
    }
    request.driveLetter = file[0];
    if (file.find(kCdaFileMarker) == std::string::npos) {
        request.kind = StartupRequest::PlayDisc;
        request.track = 1;
        return request;
    }
    std::string head;
    if (!readHead || !readHead(file, head) || head.size() <= kCdaTrackOffset) {
        request.kind = StartupRequest::CdaError;
        return request;
    }
    // Track 0 is kept: a pending play of 0 plays nothing.
    request.kind = StartupRequest::PlayTrack;
    request.track = static_cast<unsigned char>(head[kCdaTrackOffset]);
    return request;
}

int chooseDriveIndex(const std::string& driveList, char letter) {
    const std::size_t at = letter ? driveList.find(letter) : std::string::npos;
    return at == std::string::npos ? 0 : static_cast<int>(at);
}

std::string startupLogText(const StartupRequest& request) {
    switch (request.kind) {
    case StartupRequest::PlayDisc:
        return kPlayingCdLog;
    case StartupRequest::PlayTrack:
        return formatText(kPlayingTrackLog, request.track);
    case StartupRequest::AutoPlay:
        return kAutoPlayingLog;
    default:
        return std::string();
    }
}

std::string firstCommandLineFile(const std::string& commandLine) {
    std::size_t at = 0;
    std::string argument;
    if (!nextArgument(commandLine, at, argument))
        return std::string();
    while (nextArgument(commandLine, at, argument)) {
        if (!argument.empty() && argument[0] != '/' && argument[0] != '-')
            return argument;
    }
    return std::string();
}

} // namespace rubo
