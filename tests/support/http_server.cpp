#include "tests/support/http_server.h"

#include "tests/support/program_run.h"
#include "tests/support/test_paths.h"
#include "tests/support/wait_until.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace fetchly::test {

namespace {

std::string peerScript(const std::string &name)
{
    return (sourceDir() / "tests" / "support" / "peers" / name).string();
}

} // namespace

HttpPeer::HttpPeer(Scheme scheme)
{
    std::vector<std::string> argv{systemPython().string(), peerScript("http_peer.py"), "PORT", m_dir.str()};
    if (scheme == Scheme::HttpsSelfSigned) {
        // A certificate nobody vouches for: clients that verify must refuse it.
        const std::string cert = (m_dir.path() / "cert.pem").string(),
                          key = (m_dir.path() / "key.pem").string();
        if (runProgram("openssl",
                       {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                        "/CN=127.0.0.1", "-keyout", key, "-out", cert},
                       ProgramRun{})
                .status != 0)
            throw std::runtime_error("openssl could not make a test certificate");
        argv.push_back(cert);
        argv.push_back(key);
        m_scheme = "https";
    }
    m_port = m_process.startOnFreePort(
        [&](int port) {
            argv[2] = std::to_string(port);
            return argv;
        },
        (m_dir.path() / "peer.log").string());
    // The start-up probe's connection is logged by a thread of the peer:
    // let it land, so the counts a test compares are settled.
    WaitUntil([this] { return !readFile(m_dir.path() / "connections.log").empty(); },
              std::chrono::seconds(2));
}

std::string HttpPeer::url(const std::string &path) const
{
    return m_scheme + "://127.0.0.1:" + std::to_string(m_port) + path;
}

std::string HttpPeer::uploadedBody(const std::string &name) const
{
    return readFile(m_dir.path() / (name + ".body"));
}

std::string HttpPeer::uploadedHead(const std::string &name) const
{
    return readFile(m_dir.path() / (name + ".head"));
}

std::string HttpPeer::requestsLog() const
{
    return readFile(m_dir.path() / "requests.log");
}

int HttpPeer::connectionCount() const
{
    const std::string log = readFile(m_dir.path() / "connections.log");
    return static_cast<int>(std::count(log.begin(), log.end(), '\n')) - 1; // the probe
}

int HttpPeer::peakDelayed() const
{
    const std::string peak = readFile(m_dir.path() / "peak");
    return peak.empty() ? 0 : std::stoi(peak);
}

HttpProxyPeer::HttpProxyPeer(const std::string &user, const std::string &password)
{
    m_port = m_process.startOnFreePort(
        [&](int port) {
            return std::vector<std::string>{systemPython().string(),
                                            peerScript("http_proxy.py"),
                                            std::to_string(port),
                                            user,
                                            password,
                                            (m_dir.path() / "proxy.log").string()};
        },
        (m_dir.path() / "peer.log").string());
}

std::string HttpProxyPeer::log() const
{
    return readFile(m_dir.path() / "proxy.log");
}

NginxServer::NginxServer()
{
    const auto dir = m_dir.path();
    for (const char *sub : {"www", "www/dav", "www/chunked", "tmp", "logs"})
        std::filesystem::create_directories(dir / sub);
    const std::string d = dir.string();
    const std::string nginx = std::filesystem::exists("/usr/sbin/nginx") ? "/usr/sbin/nginx" : "nginx";
    m_port = m_process.startOnFreePort(
        [&](int port) {
            std::ofstream conf(dir / "nginx.conf");
            conf << "daemon off;\nmaster_process off;\nworker_processes 1;\n"
                 << "error_log " << d << "/logs/error.log;\npid " << d << "/nginx.pid;\n"
                 << "events { worker_connections 64; }\n"
                 << "http {\n  access_log off;\n"
                 << "  client_body_temp_path " << d << "/tmp/body;\n  proxy_temp_path " << d
                 << "/tmp/proxy;\n"
                 << "  fastcgi_temp_path " << d << "/tmp/fastcgi;\n  uwsgi_temp_path " << d << "/tmp/uwsgi;\n"
                 << "  scgi_temp_path " << d << "/tmp/scgi;\n"
                 << "  sendfile on;\n"
                 << "  server {\n    listen 127.0.0.1:" << port << ";\n    root " << d << "/www;\n"
                 << "    location /dav/ { dav_methods PUT; create_full_put_path on; client_max_body_size 0; "
                    "}\n"
                 << "    location /chunked/ { sub_filter 'never-matches-xyzzy' ''; sub_filter_types *; }\n"
                 << "  }\n}\n";
            return std::vector<std::string>{nginx, "-c", (dir / "nginx.conf").string(), "-p", d};
        },
        (dir / "logs" / "run.log").string());
}

std::string NginxServer::url(const std::string &path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

} // namespace fetchly::test
