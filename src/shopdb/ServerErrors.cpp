#include "shopdb/ServerErrors.h"

#include <errmsg.h>

namespace wwweksports {

QString ExplainServerError(unsigned int number) {
    const char* text = nullptr;
    switch (number) {
        case 1044:
            text = "Lietotājam nav piekļuves šai datu bāzei";
            break;
        case 1045:
            text = "Datu bāze neatzina lietotāja vārdu vai paroli";
            break;
        case 1049:
            text = "Šādas datu bāzes serverī nav";
            break;
        case 1040:
            text = "Datu bāzes serverim jau ir par daudz savienojumu";
            break;
        case CR_CONNECTION_ERROR:
        case CR_CONN_HOST_ERROR:
            text =
                "Datu bāzes serveris nav sasniedzams: nepareiza adrese vai ports, vai serveris "
                "nedarbojas";
            break;
        case CR_UNKNOWN_HOST:
            text = "Datu bāzes servera adrese nav atrodama";
            break;
        case CR_SERVER_GONE_ERROR:
        case CR_SERVER_LOST:
        case CR_SERVER_LOST_EXTENDED:
        case 1053:
        case 1927:
        case 4031:
            text = "Savienojums ar datu bāzes serveri pārtrūka";
            break;
        case 1062:
            text = "Veikals neņēma pretī ierakstu: tāda atslēga tabulā jau ir";
            break;
        case 1048:
            text = "Veikals neņēma pretī ierakstu: kolonnai vajag vērtību";
            break;
        case 1264:
            text = "Veikals neņēma pretī ierakstu: skaitlis neietilpst kolonnā";
            break;
        case 1265:
        case 1366:
        case 1292:
            text = "Veikals neņēma pretī ierakstu: vērtība neder kolonnai";
            break;
        case 1406:
            text = "Veikals neņēma pretī ierakstu: vērtība ir par garu kolonnai";
            break;
        case 3819:
        case 4025:
            text = "Veikals neņēma pretī ierakstu: tas neiztur tabulas pārbaudi";
            break;
        case 1146:
            text = "Veikala datu bāzē nav vajadzīgās tabulas";
            break;
        case 1054:
            text = "Veikala tabulā nav vajadzīgās kolonnas";
            break;
        case 1142:
        case 1143:
        case 1227:
            text = "Lietotājam nav tiesību uz šo darbību";
            break;
        case 1205:
        case 1213:
            text = "Datu bāze ir aizņemta ar citu darbu; mēģiniet vēlreiz";
            break;
        case 1153:
        case 1301:
            text = "Ieraksts ir lielāks, nekā datu bāzes serveris pieņem vienā paketē";
            break;
        default:
            text = number >= CR_MIN_ERROR && number <= CR_MAX_ERROR
                       ? "Savienojumā ar datu bāzes serveri radās kļūda"
                       : "Veikala datu bāze atteica izpildīt vaicājumu";
    }
    return QString::fromUtf8(text);
}

QString ServerErrorText(unsigned int number, const QString& serverText) {
    return QStringLiteral("%1 (datu bāzes kļūda %2: %3)")
        .arg(ExplainServerError(number))
        .arg(number)
        .arg(serverText);
}

}  // namespace wwweksports
