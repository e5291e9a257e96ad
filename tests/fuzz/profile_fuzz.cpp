// The configuration file model on any bytes: a file, then calls drawn from
// the rest of the input. Nothing crashes, answers stay within their buffers,
// and a file written and read again is read the same the next time.
#include <cstring>
#include <string>

#include "frame/portable/profile.h"
#include "fuzz_input.h"

using cvx::portable::Profile;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The file ends at the first 0xFF; each call after it is four texts
    // separated by 0xFE: op, section, key, value.
    std::string input(reinterpret_cast<const char *>(data), size);
    size_t end = input.find('\xFF');
    // A file with a zero byte in it is left aside: the platform cuts names
    // and values at it, which the model does not copy.
    std::string file = input.substr(0, end);
    Profile profile(file.substr(0, file.find('\0')));
    std::string rest = end == std::string::npos ? "" : input.substr(end + 1);
    for (size_t at = 0; at < rest.size();) {
        std::string fields[4];
        for (std::string &field : fields) {
            size_t stop = rest.find('\xFE', at);
            field = rest.substr(at, stop == std::string::npos ? std::string::npos : stop - at);
            field = field.substr(0, field.find('\0'));
            at = stop == std::string::npos ? rest.size() : stop + 1;
        }
        // The store refuses a text that would span lines before the model
        // sees it.
        bool oneLine = true;
        for (const std::string &field : fields) oneLine = oneLine && field.find_first_of("\r\n") == std::string::npos;
        char buffer[8];
        switch (fields[0].empty() ? 0 : fields[0][0] % 5) {
        case 0: {
            size_t n = profile.GetString(fields[1], fields[2], fields[3].c_str(), buffer, 1 + fields[3].size() % 8);
            CVX_FUZZ_CHECK(n < 8 && std::strlen(buffer) == n);
            break;
        }
        case 1:
            if (oneLine) profile.Write(fields[1], fields[2].c_str(), fields[3].empty() ? nullptr : fields[3].c_str());
            break;
        case 2: profile.Write(fields[1], nullptr, nullptr); break;
        case 3:
            if (oneLine) profile.MoveSection(fields[1], fields[2]);
            break;
        default: profile.Keys(fields[1]), profile.GetInt(fields[1], fields[2], 7); break;
        }
    }
    std::string once = Profile(profile.Text()).Text();
    CVX_FUZZ_CHECK(Profile(once).Text() == once);
    return 0;
}
