// brivora-modemsim: a GSM modem on a pseudo-terminal, for trying the program without a
// phone. Prints the device to choose as "Port" (the setup dialog lists it while this
// runs) and every command and message it receives; runs until interrupted.
#include "base/CommandLine.h"
#include "base/Errors.h"
#include "modem/SimulatorDevice.h"
#include "modemsim/ModemSimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    CommandLine commandLine({.program = QStringLiteral("brivora-modemsim"),
                             .synopsis = QStringLiteral("[options]"),
                             .description = QStringLiteral("A GSM modem on a pseudo-terminal."),
                             .example = QStringLiteral("brivora-modemsim --error-every 5")});
    QCommandLineParser &parser = commandLine.parser();
    const QCommandLineOption errorEvery(QStringLiteral("error-every"),
                                        QStringLiteral("Answer every <n>th message with ERROR."), QStringLiteral("n"));
    const QCommandLineOption cmsError(QStringLiteral("cms-error"),
                                      QStringLiteral("Answer every message with +CMS ERROR: <code>."),
                                      QStringLiteral("code"));
    const QCommandLineOption delay(QStringLiteral("delay"),
                                   QStringLiteral("Answer <ms> milliseconds after each input."), QStringLiteral("ms"));
    const QCommandLineOption latency(QStringLiteral("latency"),
                                     QStringLiteral("Answer each message <ms> milliseconds later still."),
                                     QStringLiteral("ms"));
    const QCommandLineOption silent(QStringLiteral("silent"), QStringLiteral("Never answer."));
    const QCommandLineOption echo(QStringLiteral("echo"), QStringLiteral("Echo command lines."));
    const QCommandLineOption unsolicited(QStringLiteral("unsolicited"),
                                         QStringLiteral("Send signal, network and call reports between answers."));
    const QCommandLineOption pin(QStringLiteral("pin"), QStringLiteral("The SIM asks for this PIN first."),
                                 QStringLiteral("pin"));
    const QCommandLineOption registration(
        QStringLiteral("registration"),
        QStringLiteral("The network: 1 home, 5 roaming, 2 searching, 0 none, 3 denied (1 without it)."),
        QStringLiteral("state"));
    const QCommandLineOption signal(QStringLiteral("signal"), QStringLiteral("The signal, 0 to 31 (20 without it)."),
                                    QStringLiteral("n"));
    const QCommandLineOption keptLatency(
        QStringLiteral("kept-latency"),
        QStringLiteral("Once asked to keep its radio link (AT+CMMS=2), answer messages after <ms> instead."),
        QStringLiteral("ms"));
    const QCommandLineOption reports(
        QStringLiteral("reports"),
        QStringLiteral("Report on each message that asks for it with status <st> in hex: 00 delivered, 46 failed, "
                       "20 still trying; several, such as 20,00, one after the other."),
        QStringLiteral("st"));
    const QCommandLineOption heldReports(QStringLiteral("held-reports"),
                                         QStringLiteral("Hold the reports on the SIM (+CDSI) instead of routing them."));
    const QCommandLineOption replies(QStringLiteral("replies"),
                                     QStringLiteral("Each recipient answers each message with <text>."),
                                     QStringLiteral("text"));
    const QCommandLineOption deliver(QStringLiteral("deliver"),
                                     QStringLiteral("Hold a message from <number> on the SIM at the start; "
                                                    "<number>:<text>, repeatable."),
                                     QStringLiteral("message"));
    const QCommandLineOption storeRoom(QStringLiteral("store-room"),
                                       QStringLiteral("The SIM holds <n> messages at most (30 without it)."),
                                       QStringLiteral("n"));
    parser.addOptions({errorEvery, cmsError, delay, latency, silent, echo, unsolicited, pin, registration, signal,
                       keptLatency, reports, heldReports, replies, deliver, storeRoom});
    if (const auto done = commandLine.process(app.arguments()))
        return *done;

    try {
        ModemSimulator modem;
        if (parser.isSet(cmsError))
            modem.answerWith(ModemSimulator::Input::Pdu, "+CMS ERROR: " + parser.value(cmsError).toLatin1());
        if (parser.isSet(errorEvery)) {
            const int every = parser.value(errorEvery).toInt();
            if (every <= 0) {
                err << "brivora-modemsim: --error-every needs a number above 0\n";
                return 2;
            }
            // Occurrences are scripted ahead, far beyond any trial by hand.
            for (int n = every; n <= 100000; n += every)
                modem.answerWith(ModemSimulator::Input::Pdu, "ERROR", n);
        }
        modem.setDelay(parser.value(delay).toInt());
        modem.setMessageLatency(parser.value(latency).toInt());
        if (parser.isSet(unsolicited))
            modem.setUnsolicitedLines({"^RSSI: 14", "+CREG: 1", "RING", "+CMTI: \"SM\",3", "^BOOT:12345,0,0,0,6"});
        modem.setSilent(parser.isSet(silent));
        modem.setPinWanted(parser.value(pin));
        if (parser.isSet(registration))
            modem.setRegistration(parser.value(registration).toInt());
        if (parser.isSet(signal))
            modem.setSignal(parser.value(signal).toInt());
        if (parser.isSet(keptLatency))
            modem.setKeptLinkLatency(parser.value(keptLatency).toInt());
        modem.setEcho(parser.isSet(echo));
        if (parser.isSet(storeRoom))
            modem.setStoreRoom(parser.value(storeRoom).toInt());
        if (parser.isSet(reports)) {
            QList<int> statuses;
            for (const QString &status : parser.value(reports).split(QLatin1Char(',')))
                statuses << status.toInt(nullptr, 16);
            modem.setReports(statuses, parser.isSet(heldReports));
        }
        modem.setReplies(parser.value(replies));
        for (const QString &message : parser.values(deliver)) {
            const qsizetype colon = message.indexOf(QLatin1Char(':'));
            if (colon <= 0) {
                err << "brivora-modemsim: --deliver needs <number>:<text>\n";
                return 2;
            }
            modem.deliverMessage(message.left(colon), message.mid(colon + 1), false);
        }

        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
            err << "brivora-modemsim: no socket pair for signals\n";
            return 1;
        }
        QSocketNotifier stop(signalPipe[0], QSocketNotifier::Read);
        QObject::connect(&stop, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        std::signal(SIGHUP, onSignal);

        qsizetype shownPdus = 0;
        qsizetype shownMessages = 0;
        QObject::connect(&modem, &ModemSimulator::inputReceived, &app, [&](const QString &input) {
            out << "<- " << input << Qt::endl;
            if (modem.pdus().size() == shownPdus)
                return;
            shownPdus = modem.pdus().size();
            const ModemSimulator::ReceivedPdu &pdu = modem.pdus().constLast();
            if (!pdu.decoded) {
                out << "   refused: not a PDU the program builds" << Qt::endl;
                return;
            }
            const SubmitPdu &sms = pdu.message;
            out << "   to " << sms.destination << " via " << sms.centreNumber;
            if (sms.concatenation)
                out << ", part " << sms.concatenation->index << " of " << sms.concatenation->count << " (reference "
                    << sms.concatenation->reference << ')';
            out << (sms.alphabet == Alphabet::Ucs2 ? ", UCS-2" : "") << ": " << sms.text << Qt::endl;
            // A concatenated message, whole, once its last part has come.
            if (sms.concatenation && modem.messages().size() > shownMessages)
                out << "   the phone shows: " << modem.messages().constLast().text << Qt::endl;
            shownMessages = modem.messages().size();
        });

        if (!modem.publish())
            err << "brivora-modemsim: cannot write " << SimulatorDevice::portFilePath() << '\n';
        out << modem.devicePath() << Qt::endl;
        const int result = QCoreApplication::exec();
        modem.unpublish();
        return result;
    } catch (const BrivoraError &error) {
        err << "brivora-modemsim: " << error.text() << '\n';
        return 1;
    }
}
