// trivelle-results: receives the program's result links, keeps the results in SQLite and
// publishes the records table.
#include "server/results_site.h"
#include "server/results_store.h"
#include "server/service_options.h"

#include <httplib.h>

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <exception>
#include <iostream>
#include <thread>

int main(int argc, char** argv) {
    std::string error;
    const std::optional<ServiceOptions> options = parse_service_options(argc, argv, error);
    if (!options) {
        std::cerr << "trivelle-results: " << error << "\n" << service_usage;
        return 2;
    }
    if (options->help) {
        std::cout << service_usage;
        return 0;
    }

    // SIGINT and SIGTERM go to one thread that stops the server, so that the store closes its
    // file in order; every thread started from here on inherits the mask.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    try {
        ResultsStore store(options->db);
        httplib::Server server;
        ResultsSite site(store);
        site.attach(server);
        int port = options->port;
        if (port == 0) {
            port = server.bind_to_any_port(options->address);
        } else if (!server.bind_to_port(options->address, port)) {
            port = -1;
        }
        if (port < 0) {
            std::cerr << "trivelle-results: cannot listen on " << options->address << " port "
                      << options->port << "\n";
            return 1;
        }
        // Tests and scripts read the port from this line.
        std::cout << "trivelle-results: listening on http://" << options->address << ":" << port
                  << "/ with the results in " << options->db << std::endl;

        std::thread stopper([&server, &stop_signals] {
            int signal_number = 0;
            sigwait(&stop_signals, &signal_number);
            server.stop();
        });
        const bool stopped_cleanly = server.listen_after_bind();
        // Wakes the stopper if the server ended by itself: every thread blocks the signal, so
        // it waits for the stopper's sigwait.
        kill(getpid(), SIGTERM);
        stopper.join();
        return stopped_cleanly ? 0 : 1;
    } catch (const std::exception& e) {
        std::cerr << "trivelle-results: " << e.what() << "\n";
        return 1;
    }
}
