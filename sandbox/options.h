#pragma once
// The sandbox's command line.
#include <cstdint>
#include <string>

namespace sandbox {

struct Options {
    int links = 250;      // links of the main generated site
    int countOffset = 0;  // the main site reports links + countOffset as its count
    int pageHosts = 50;   // linking pages on 127.0.1.1 .. 127.0.1.pageHosts
    // Delay in ms before every reply of a service (not the /sandbox/ control paths).
    struct Delays {
        int account = 0;
        int platform = 0;
        int rank = 0;
        int pages = 0;
    } delays;
    uint32_t seed = 1;          // the generated data set is a function of the seed
    std::string dataFile;       // read the sites and links from this file instead
    std::string stateDir;       // where the certificate goes; empty: a fresh temporary directory
    std::string endpointsFile;  // also write the printed endpoints there
    bool anyCookie = false;     // the platform serves every cookie as logged in
    int accountPort = 0;        // 0: a free port
    int platformPort = 0;
    int rankPort = 0;
    int pagesPort = 0;
};

// Fills `options` from the command line; false with a message in `error` for a bad one
// (also for --help, with the usage text as the message).
bool ParseOptions(int argc, char** argv, Options& options, std::string& error);

}  // namespace sandbox
