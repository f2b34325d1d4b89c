#pragma once

#include "orv/Field.h"

#include <vector>

namespace contracts {

// The flat transfer record (header, its single item and display columns) exchanged by GetCapa,
// SetConfirmar and SetTransFisica, in this order. Labels and visibility are the list grid's.
inline std::vector<orv::FieldDef> TransferRecordFields() {
    using orv::FieldType;
    auto s = [](const char* name, int size, const char* label = "", bool visible = false) {
        return orv::FieldDef{QString::fromUtf8(name), FieldType::String, size, QString::fromUtf8(label), visible};
    };
    auto f = [](const char* name) { return orv::FieldDef{QString::fromUtf8(name), FieldType::Float, 0, {}, false}; };
    auto d = [](const char* name, const char* label = "", bool visible = false) {
        return orv::FieldDef{QString::fromUtf8(name), FieldType::DateTime, 0, QString::fromUtf8(label), visible};
    };
    return {
        s("CDEMPRESA", 2),
        s("IDSITCAPAOPER", 1, "Situação"),
        d("DTCAPAOPEBEM", "Data da Operação", true),
        s("NRSEQCAPAOPEBEM", 10),
        s("CDTIPOOPERBEM", 6),
        s("NMTIPOOPERBEM", 50, "Tipo de Operação", true),
        s("IDIDENTCAPAOPER", 2),
        d("DTINCCAPAOPER", "Data da Inclusão", true),
        s("CDOPEINCCAPA", 12),
        s("OPERINCL", 40, "Operador de Inclusão", true),
        d("DTATUCAPAOPER"),
        s("CDOPEATUCAPA", 12),
        s("OPERATU", 40),
        s("CDMOTIVOOPER", 6),
        s("NMMOTIVOOPER", 50),
        s("CDOPERESPOPERA", 12),
        s("NMOPERADOR", 40),
        s("NRSEQOPERABEM", 10),
        s("NRSEQITCAPAOPE", 10),
        f("QTITCAPAOPEANTE"),
        f("QTITCAPAOPENOVO"),
        s("CDFILIALITCANTE", 4),
        s("CDCENTCUITCANTE", 4),
        s("CDSETORITCANTE", 4),
        s("CDOPERESPBEMANT", 12),
        s("CDFILIALITCNOVO", 4),
        s("CDCENTCUITCNOVO", 4),
        s("CDSETORITCNOVO", 4),
        s("CDOPERESPBEMNOV", 12),
        s("IDSIMULOPERABEM", 1),
        f("VRITCAPAOPERA"),
        f("QTMESDEPITCANTE"),
        f("QTMESDEPITCNOVO"),
        f("VRTAXDEPITCANTE"),
        f("VRTAXDEPITCNOVO"),
        d("DTINCITCAPAOPER"),
        d("DTATUITCAPAOPER"),
        s("CDOPEATUITCAPA", 12),
        s("CDOPEINCITCAPA", 12),
        f("QTMESDEPBEM"),
        f("VRAQUIBEMATIVO"),
        f("VRINIDEPBEM"),
        f("QTATUABEMATIVO"),
        s("CDBEMATIVO", 10),
        s("NMBEMATIVO", 50),
        s("CAPADBTNOME", 63),
        s("CDCLIENTE", 21),
        s("CDSERIENFITCAPA", 5),
        s("NRNOTAFIITCAPA", 20),
        s("NRINSJURCLIE", 20),
        s("NMFANTCLIE", 20),
        s("IDTPIJURCLIE", 20),
    };
}

}  // namespace contracts
