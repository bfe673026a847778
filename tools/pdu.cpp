// brivora-pdu <centre number> <destination> <text>: prints the PDU the program would
// hand the modem for that SMS, and on the next line the length AT+CMGS announces.
#include "modem/Pdu.h"
#include "base/Errors.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        err << "usage: brivora-pdu <centre number> <destination> <text>\n";
        return 2;
    }
    try {
        const QString pdu = encodeSubmitPdu(args.at(1), args.at(2), args.at(3));
        out << pdu << '\n' << commandLength(pdu) << '\n';
    } catch (const BrivoraError &error) {
        err << "brivora-pdu: " << error.text() << '\n';
        return 1;
    }
    return 0;
}
