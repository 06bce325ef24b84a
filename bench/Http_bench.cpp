// HTTP client against libcurl on the same nginx pages: 200 small GETs (a new connection each, as the
// program makes them) and a 4 MiB body; plus a bare select+recv loop reading 1024 bytes at a time,
// the floor that the client's layers are measured against.
//
//   Http_bench PORT [SMALL_PATH] [BULK_PATH]      (defaults /page.htm and /big4m.bin)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench/Timing.h"
#include "net/HttpClient.h"
#include "platform/SocketStream.h"

#ifdef PELORANE_HAVE_CURL
#include <curl/curl.h>
#endif

namespace {

constexpr int kRuns = 7;
constexpr int kSmallRequests = 200;

double medianSeconds(const std::function<bool()>& once) {
    return medianMs(kRuns, [&] {
               if (!once()) {
                   std::fprintf(stderr, "run failed\n");
                   std::exit(1);
               }
           }) /
           1000.0;
}

bool clientGet(int port, const std::string& path, size_t& size) {
    HttpClient client;
    client.host = "127.0.0.1";
    client.port = port;
    client.setHeader("Connection", "close");
    std::string body;
    BodyReceiver receiver(body);
    const bool ok = client.sendRequest(path, "", receiver) && client.response().status() == 200;
    size = body.size();
    return ok;
}

// The floor: the same request, then only 1024-byte reads (each after a readiness wait) appended to a string.
bool bareGet(int port, const std::string& path, size_t& size) {
    SocketStream socket;
    if (!socket.open("127.0.0.1", port)) return false;
    const std::string head = "GET " + path + " HTTP/1.1\r\nConnection: close\r\nhost: 127.0.0.1\r\n\r\n";
    if (socket.write(head.data(), static_cast<int>(head.size())) != static_cast<int>(head.size())) return false;
    std::string all;
    char buffer[1024];
    for (int n; (n = socket.read(buffer, sizeof buffer)) > 0;) all.append(buffer, static_cast<size_t>(n));
    const size_t end = all.find("\r\n\r\n");
    size = end == std::string::npos ? 0 : all.size() - end - 4;
    return end != std::string::npos;
}

#ifdef PELORANE_HAVE_CURL
size_t appendBody(char* data, size_t one, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, one * count);
    return one * count;
}

bool curlGet(CURL* curl, int port, const std::string& path, size_t& size) {
    std::string body;
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + path;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, appendBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    // A new connection for every request, like the client under test.
    curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    long status = 0;
    const bool ok = curl_easy_perform(curl) == CURLE_OK &&
                    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status == 200;
    size = body.size();
    return ok;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: Http_bench PORT [SMALL_PATH] [BULK_PATH]\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const std::string small = argc > 2 ? argv[2] : "/page.htm";
    const std::string bulk = argc > 3 ? argv[3] : "/big4m.bin";
    size_t smallSize = 0;
    size_t bulkSize = 0;
    if (!clientGet(port, small, smallSize) || !clientGet(port, bulk, bulkSize)) {
        std::fprintf(stderr, "cannot fetch %s and %s from 127.0.0.1:%d\n", small.c_str(), bulk.c_str(), port);
        return 1;
    }
    std::printf("pages: %s %zu bytes, %s %zu bytes; median of %d runs\n", small.c_str(), smallSize, bulk.c_str(),
                bulkSize, kRuns);

    size_t got = 0;
    const double oursSmall = medianSeconds([&] {
        for (int i = 0; i < kSmallRequests; ++i)
            if (!clientGet(port, small, got) || got != smallSize) return false;
        return true;
    });
    const double oursBulk = medianSeconds([&] { return clientGet(port, bulk, got) && got == bulkSize; });
    const double bareBulk = medianSeconds([&] { return bareGet(port, bulk, got) && got == bulkSize; });
    std::printf("HttpClient: %d small GETs %.2f ms (%.1f us each), bulk %.2f ms\n", kSmallRequests, oursSmall * 1e3,
                oursSmall * 1e6 / kSmallRequests, oursBulk * 1e3);
    std::printf("bare 1024-byte select+recv loop: bulk %.2f ms; client layers add %.0f%%\n", bareBulk * 1e3,
                (oursBulk / bareBulk - 1) * 100);
#ifdef PELORANE_HAVE_CURL
    curl_global_init(CURL_GLOBAL_DEFAULT);
    CURL* curl = curl_easy_init();
    const double curlSmall = medianSeconds([&] {
        for (int i = 0; i < kSmallRequests; ++i)
            if (!curlGet(curl, port, small, got) || got != smallSize) return false;
        return true;
    });
    const double curlBulk = medianSeconds([&] { return curlGet(curl, port, bulk, got) && got == bulkSize; });
    curl_easy_cleanup(curl);
    curl_global_cleanup();
    std::printf("libcurl: %d small GETs %.2f ms (%.1f us each), bulk %.2f ms\n", kSmallRequests, curlSmall * 1e3,
                curlSmall * 1e6 / kSmallRequests, curlBulk * 1e3);
    std::printf("ratio small (HttpClient / curl): %.2f\n", oursSmall / curlSmall);
    std::printf("ratio bulk  (HttpClient / curl): %.2f\n", oursBulk / curlBulk);
#else
    std::printf("libcurl not found: no curl comparison\n");
#endif
    std::printf("ratio bulk  (HttpClient / bare loop): %.2f\n", oursBulk / bareBulk);
    return 0;
}
