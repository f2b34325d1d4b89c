#include "Schema.h"

#include "tests/support/Fixture.h"

#include <QSqlQuery>
#include <QSqlRecord>

#include <stdexcept>

namespace dbtest {

const std::vector<std::pair<QString, QStringList>>& ExpectedTables() {
    static const std::vector<std::pair<QString, QStringList>> tables = {
        {"EMPRESA", {"CDEMPRESA", "NMEMPRESA"}},
        {"FILIAL", {"CDFILIAL", "CDEMPRESA", "NMFILIAL"}},
        {"CENTCUST", {"CDCENTCUST", "NMCENTCUST"}},
        {"CENTCUSTFIL", {"CDCENTCUST", "CDFILIAL"}},
        {"OPERADOR", {"CDOPERADOR", "NMOPERADOR", "IDOPERATIVO"}},
        {"SETOR", {"CDSETOR", "CDCENTCUST", "NMSETOR", "SGSETOR", "CDOPERESPBEM"}},
        {"TIPOOPERBEM", {"CDEMPRESA", "CDTIPOOPERBEM", "NMTIPOOPERBEM", "IDTIPOOPERBEM"}},
        {"MOTIVOOPER", {"CDEMPRESA", "CDTIPOOPERBEM", "CDMOTIVOOPER", "NMMOTIVOOPER"}},
        {"GRUPOBEM",
         {"CDEMPRESA", "CDGRUPOBEM", "NMGRUPOBEM", "QTMESDEPREGRBEM", "IDDEPRECIAGRBEM", "IDDEPRECIAFISC",
          "QTMESDEPREFISC"}},
        {"BEMATIVO",
         {"CDBEMATIVO", "CDEMPRESA", "CDPATRIBEMATIVO", "NMBEMATIVO", "CDGRUPOBEM", "VRAQUIBEMATIVO", "QTMESDEPBEM",
          "VRINIDEPBEM", "QTATUABEMATIVO", "VRTAXANODEPBEM", "VRFALTADEPBEM", "CDTIPODEPREC", "CDFILIAL", "CDCENTCUST",
          "CDSETOR", "CDOPERESPBEM", "DTULTDEPBEM"}},
        {"HISTPADR", {"CDHISTPADR", "DSHISTPADR"}},
        {"CONTCTBL", {"CDCONTCTBL", "CDCONTREDU", "NMCONTCTBL", "CDEMPRESA"}},
        {"CLIENTE", {"CDCLIENTE", "NMFANTCLIE", "NRINSJURCLIE", "IDTPIJURCLIE"}},
        {"SERIENF", {"CDFILIAL", "CDSERIE", "DSSERIE"}},
        {"NOTAFISCAL",
         {"NRLANCTONF", "NRNOTAFISC", "DESCRICAO", "DTENTRSAID", "CDFILIRECE", "CDFILIEMIT", "CDTIPOOPER", "CDSERIE",
          "IDENTRSAIDOP", "CDFILIAL", "CDCLIENTE"}},
        {"TIPOCONTABEM", {"CDEMPRESA", "CDTIPOCONTABEM", "NMTIPOCONTABEM"}},
        {"CTBLBEMATIVO",
         {"CDEMPRESA", "CDBEMATIVO", "CDTIPOCONTABEM", "CDCONTCTBLBEM", "CDHISTPADR", "CDOPEATUCTBLBEM", "DTULTATU",
          "CDOPEINCCTBLBEM", "DTINCLUCTBLBEM"}},
        {"RATEIOBEM", {"CDEMPRESA", "CDBEMATIVO", "CDFILICCUST", "CDCENTCUSBEM", "VRRATEBEM"}},
        {"CAPAOPERABEM",
         {"CDEMPRESA", "NRSEQCAPAOPEBEM", "IDSITCAPAOPER", "DTCAPAOPEBEM", "CDTIPOOPERBEM", "IDIDENTCAPAOPER",
          "CDMOTIVOOPER", "CDOPERESPOPERA", "DTINCCAPAOPER", "CDOPEINCCAPA", "DTATUCAPAOPER", "CDOPEATUCAPA",
          "CDCLIENTE"}},
        {"ITCAPAOPERABEM",
         {"CDEMPRESA", "NRSEQCAPAOPEBEM", "NRSEQITCAPAOPE", "IDSIMULOPERABEM", "NRSEQOPERABEM", "CDBEMATIVO",
          "QTITCAPAOPEANTE", "QTITCAPAOPENOVO", "CDFILIALITCANTE", "CDCENTCUITCANTE", "CDSETORITCANTE",
          "CDOPERESPBEMANT", "CDFILIALITCNOVO", "CDCENTCUITCNOVO", "CDSETORITCNOVO", "CDOPERESPBEMNOV", "VRITCAPAOPERA",
          "QTMESDEPITCANTE", "QTMESDEPITCNOVO", "VRTAXDEPITCANTE", "VRTAXDEPITCNOVO", "DTINCITCAPAOPER",
          "DTATUITCAPAOPER", "CDOPEATUITCAPA", "CDOPEINCITCAPA", "CDSERIENFITCAPA", "NRNOTAFIITCAPA"}},
        {"RATEIOITCAPA",
         {"CDEMPRESA", "IDSIMULOPERABEM", "NRSEQCAPAOPEBEM", "NRSEQITCAPAOPE", "CDBEMATIVO", "CDFILICCUST",
          "CDCENTCUSBEM", "VRRATEBEM"}},
        {"SEQUENCIA", {"CDEMPRESA", "IDSIMULOPERABEM", "NMSEQUENCIA", "NRULTIMO"}},
        {"MASCARA", {"CDTIPOMASCARA", "NMMASCARA", "DSMASCARA"}},
    };
    return tables;
}

QStringList ColumnsOf(QSqlDatabase db, const QString& table) {
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(table))) return {};
    QStringList columns;
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i) columns << record.fieldName(i).toUpper();
    return columns;
}

QStringList Dump(QSqlDatabase db, const QString& table) {
    const QStringList columns = ColumnsOf(db, table);
    if (columns.isEmpty()) throw std::runtime_error("Tabela inexistente: " + table.toStdString());
    QStringList lines;
    for (const QVariantList& row :
         erptest::QueryRows(db, QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(table, columns.join(QLatin1Char(','))))) {
        QStringList values;
        for (const QVariant& value : row) values << erptest::Canonical(value);
        lines << values.join(QLatin1Char('|'));
    }
    return lines;
}

}  // namespace dbtest
