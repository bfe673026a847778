// brivora-pdu <centre number> <destination> <text>: prints the PDU the program would
// hand the modem for that SMS, and on the next line the length AT+CMGS announces.
#include "modem/Pdu.h"
#include "base/CommandLine.h"
#include "base/Errors.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    CommandLine commandLine({
        .program = QStringLiteral("brivora-pdu"),
        .synopsis = QStringLiteral("<centre number> <destination> <text>"),
        .description = QStringLiteral("Prints the SMS-SUBMIT PDU Brivora hands the modem for one message, and on the\n"
                                      "next line the length AT+CMGS announces for it."),
        .example = QStringLiteral("brivora-pdu +60123456789 0198765432 'Hello Ali'"),
    });
    commandLine.addArgument(QStringLiteral("centre number"),
                            QStringLiteral("The SMS centre's number; empty for the one the phone keeps."));
    commandLine.addArgument(QStringLiteral("destination"), QStringLiteral("The phone number the SMS goes to."));
    commandLine.addArgument(QStringLiteral("text"),
                            QStringLiteral("The message: one SMS, at most 160 characters of the GSM alphabet."));
    if (const auto done = commandLine.process(app.arguments()))
        return *done;
    const QStringList args = commandLine.arguments();
    QTextStream out(stdout);
    QTextStream err(stderr);
    try {
        const QString pdu = encodeSubmitPdu(args.at(0), args.at(1), args.at(2));
        out << pdu << '\n' << commandLength(pdu) << '\n';
    } catch (const BrivoraError &error) {
        err << "brivora-pdu: " << error.text() << '\n';
        return 1;
    }
    return 0;
}
