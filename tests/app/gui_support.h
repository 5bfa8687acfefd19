// Helpers for driving the real window headless: a per-test settings
// folder, the local replica of the weather services, small misbehaving
// servers, and a watcher that reads and dismisses the modal error boxes.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "commands.h"
#include "cp1252.h"

namespace nubra::test {

inline QString fromCp1252(std::string_view text) { return QString::fromUtf8(Cp1252ToUtf8(text)); }

// The title every error box must carry.
inline QString expectedBoxTitle() {
    return fromCp1252(
        ApplicationTitle(Utf8ToCp1252(QCoreApplication::applicationFilePath().toUtf8().toStdString())));
}

// A fresh folder made the user's configuration folder for the test's life.
class TConfigFolder {
public:
    TConfigFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "nubra-gui-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
        path_ = pattern;
        ::setenv("XDG_CONFIG_HOME", path_.c_str(), 1);
    }
    ~TConfigFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path settings() const { return path_ / "nubra.ini"; }

    void write(const std::string& content) const {
        std::ofstream out(settings(), std::ios::binary);
        out << content;
    }
    std::string read() const {
        std::ifstream in(settings(), std::ios::binary);
        std::ostringstream all;
        all << in.rdbuf();
        return all.str();
    }

private:
    std::filesystem::path path_;
};

// "[serveurs]" lines sending every service to `host` over plain HTTP.
inline std::string hostsSection(const std::string& host) {
    std::string section = "[serveurs]\n";
    for (const char* key : {"france", "suisse", "canada", "canada-site", "belgique"})
        section += std::string(key) + "=" + host + "\n";
    for (const char* key : {"open-meteo", "meteoalarm", "geomet"})
        section += std::string(key) + "=http://" + host + "\n";
    return section;
}

// "[sources]" lines putting every country on its historic service.
inline std::string classicSources() {
    return "[sources]\nfrance=classique\nsuisse=classique\ncanada=classique\nbelgique=classique\n";
}

// Every service on `host`, every country on its historic service.
inline std::string classicSettings(const std::string& host) { return hostsSection(host) + classicSources(); }

// One box as the user saw it.
struct TBoxSeen {
    QString Title;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons Buttons;
    QWidget* Parent = nullptr;
};

// Looks for a visible message box every few milliseconds, notes what it
// shows and presses OK, so that no modal box can hold a test up.
class TBoxWatcher {
public:
    TBoxWatcher() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { sweep(); });
        timer_.start(10);
    }
    const std::vector<TBoxSeen>& boxes() const { return boxes_; }

private:
    void sweep() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (!box || !box->isVisible() || box->property("seen").toBool()) continue;
            box->setProperty("seen", true);
            boxes_.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                              box->parentWidget()});
            if (QAbstractButton* ok = box->button(QMessageBox::Ok)) ok->click();
            else box->close();
        }
    }
    QTimer timer_;
    std::vector<TBoxSeen> boxes_;
};

// nubra-replica on a free loopback port, stopped with the object.
class TReplica {
public:
    bool start() {
        process_.start(QStringLiteral(NUBRA_REPLICA_PATH), {QStringLiteral("--port"), QStringLiteral("0")});
        if (!process_.waitForStarted(10000)) return false;
        QByteArray line;
        for (int i = 0; i < 100 && !line.contains('\n'); ++i) {
            process_.waitForReadyRead(100);
            line += process_.readAllStandardOutput();
        }
        const auto first = line.left(line.indexOf('\n')).trimmed();
        if (!first.startsWith("port ")) return false;
        port_ = first.mid(5).toInt();
        return port_ > 0;
    }
    ~TReplica() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    QProcess process_;
    int port_ = 0;
};

// A loopback server that answers every request with 404, or with 200 and
// bytes that are no document, or that accepts connections and never
// answers.
class TBadServer {
public:
    enum class Mode { NotFound, Garbage, Silent };
    explicit TBadServer(Mode mode) : mode_(mode) {
        QObject::connect(&server_, &QTcpServer::newConnection, [this] { accept(); });
        server_.listen(QHostAddress::LocalHost, 0);
    }
    std::string host() const { return "127.0.0.1:" + std::to_string(server_.serverPort()); }
    int connections() const { return connections_; }

private:
    void accept() {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            ++connections_;
            if (mode_ == Mode::Silent) continue;  // kept open, never answered
            const bool garbage = mode_ == Mode::Garbage;
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, garbage] {
                if (!socket->readAll().contains("\r\n\r\n")) return;
                socket->write(garbage ? "HTTP/1.1 200 OK\r\nContent-Length: 7\r\nConnection: close\r\n\r\n\x1f\x8b<feed"
                                      : "HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\n"
                                        "Content-Length: 9\r\nConnection: close\r\n\r\nNot Found");
                socket->disconnectFromHost();
            });
        }
    }
    Mode mode_;
    QTcpServer server_;
    int connections_ = 0;
};

// A loopback port with nothing listening.
inline std::string closedHost() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const auto port = probe.serverPort();
    probe.close();
    return "127.0.0.1:" + std::to_string(port);
}

} // namespace nubra::test
