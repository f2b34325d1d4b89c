#include "Cli_zmt02600/TransFisicaQueries.h"

namespace zmt02600 {

namespace {

void Str(orv::TADOIBQuery& q, const char* name, int size, const char* label = "", int width = 0, bool visible = true) {
    orv::FieldDef d;
    d.name = QString::fromLatin1(name);
    d.type = orv::FieldType::String;
    d.size = size;
    d.label = QString::fromUtf8(label);
    d.displayWidth = width;
    d.visible = visible;
    q.AddField(d);
}

}  // namespace

void DeclareQryEmpresa(orv::TADOIBQuery& q) {
    q.SQL = {"SELECT CDEMPRESA, NMEMPRESA", "  FROM EMPRESA", " WHERE (:P_CDEMPRESA = CDEMPRESA) OR (:P_TCDEMPRESA = 'T')",
             " ORDER BY CDEMPRESA"};
    Str(q, "CDEMPRESA", 4, "Código", 6);
    Str(q, "NMEMPRESA", 40, "Nome");
}

void DeclareQryPesqFilial(orv::TADOIBQuery& q) {
    q.SQL = {"SELECT CDFILIAL, NMFILIAL", "  FROM FILIAL", "WHERE CDEMPRESA = :P_CDEMPRESA", " ORDER BY CDFILIAL"};
    Str(q, "CDFILIAL", 4, "Código", 6);
    Str(q, "NMFILIAL", 30, "Nome");
}

void DeclareQryVd_Filial(orv::TADOIBQuery& q) {
    q.SQL = {"SELECT CDFILIAL, NMFILIAL", "  FROM FILIAL", " WHERE CDFILIAL = :P_CDFILIAL", " ORDER BY CDFILIAL"};
    Str(q, "CDFILIAL", 4);
    Str(q, "NMFILIAL", 30);
}

void DeclareQryPesqCentCust(orv::TADOIBQuery& q) {
    q.SQL = {"SELECT CENTCUST.CDCENTCUST,CENTCUST.NMCENTCUST", "  FROM CENTCUST, CENTCUSTFIL",
             "WHERE CENTCUST.CDCENTCUST = CENTCUSTFIL.CDCENTCUST AND", "      CENTCUSTFIL.CDFILIAL = :P_CDFILIAL",
             "ORDER BY CDCENTCUST"};
    // SQLite will not resolve the bare ORDER BY column between the two tables.
    q.SQL_SQLITE = q.SQL;
    q.SQL_SQLITE.last() = "ORDER BY CENTCUST.CDCENTCUST";
    Str(q, "CDCENTCUST", 4, "Código");
    Str(q, "NMCENTCUST", 40, "Nome");
}

void DeclareQryVd_PesqCentCust(orv::TADOIBQuery& q) {
    q.SQL = {"SELECT CENTCUST.CDCENTCUST,CENTCUST.NMCENTCUST", "  FROM CENTCUST, CENTCUSTFIL",
             "WHERE CENTCUST.CDCENTCUST = CENTCUSTFIL.CDCENTCUST AND", "      CENTCUSTFIL.CDFILIAL = :P_CDFILIAL AND",
             "      CENTCUST.CDCENTCUST = :P_CDCENTCUST", "ORDER BY CDCENTCUST"};
    q.SQL_SQLITE = q.SQL;
    q.SQL_SQLITE.last() = "ORDER BY CENTCUST.CDCENTCUST";
    Str(q, "CDCENTCUST", 4);
    Str(q, "NMCENTCUST", 40);
}

namespace {
const char* kSetorSelect =
    "SELECT SE.CDSETOR, SE.NMSETOR, SE.SGSETOR, SE.CDOPERESPBEM||' - '||OP.NMOPERADOR AS OPERRESPSETOR";
const char* kSetorFrom = "  FROM SETOR SE LEFT JOIN OPERADOR OP ON (SE.CDOPERESPBEM = OP.CDOPERADOR)";
}  // namespace

void DeclareQryPesqSetor(orv::TADOIBQuery& q) {
    q.SQL = {kSetorSelect, kSetorFrom, " WHERE CDCENTCUST = :P_CDCENTCUST", " ORDER BY SE.CDSETOR"};
    Str(q, "CDSETOR", 4, "Código", 6);
    Str(q, "NMSETOR", 30, "Nome");
    Str(q, "SGSETOR", 10, "Sigla");
    Str(q, "OPERRESPSETOR", 60, "", 0, false);
}

void DeclareQryVd_Setor(orv::TADOIBQuery& q) {
    q.SQL = {kSetorSelect, kSetorFrom, " WHERE SE.CDCENTCUST = :P_CDCENTCUST", "   AND SE.CDSETOR    = :P_CDSETOR",
             " ORDER BY SE.CDSETOR"};
    Str(q, "CDSETOR", 4);
    Str(q, "NMSETOR", 30);
    Str(q, "OPERRESPSETOR", 60);
}

void DeclareQryPesqResponsavel(orv::TADOIBQuery& q) {
    q.SQL = {"SELECT CDOPERADOR, NMOPERADOR", "  FROM OPERADOR", " WHERE IDOPERATIVO = 'A'", " ORDER BY CDOPERADOR"};
    Str(q, "CDOPERADOR", 12, "Código", 14);
    Str(q, "NMOPERADOR", 40, "Nome");
}

void DeclareQryVd_Responsavel(orv::TADOIBQuery& q) {
    q.SQL = {"SELECT CDOPERADOR, NMOPERADOR", "  FROM OPERADOR", " WHERE :P_CDOPERADOR = CDOPERADOR",
             " ORDER BY CDOPERADOR"};
    Str(q, "CDOPERADOR", 12);
    Str(q, "NMOPERADOR", 40);
}

void DeclareQryPesqTipoOper(orv::TADOIBQuery& q) {
    q.SQL = {"SELECT CDTIPOOPERBEM, NMTIPOOPERBEM, IDTIPOOPERBEM", "  FROM TIPOOPERBEM",
             " WHERE CDEMPRESA = :P_CDEMPRESA", "   AND IDTIPOOPERBEM = '03'", " ORDER BY CDTIPOOPERBEM"};
    Str(q, "CDTIPOOPERBEM", 6, "Código", 12);
    Str(q, "NMTIPOOPERBEM", 50, "Nome", 50);
    Str(q, "IDTIPOOPERBEM", 2, "Tipo de Operação", 0, false);
}

void DeclareQryVdTipoOper(orv::TADOIBQuery& q) {
    q.SQL = {"SELECT CDTIPOOPERBEM, NMTIPOOPERBEM, IDTIPOOPERBEM", "  FROM TIPOOPERBEM",
             " WHERE CDEMPRESA = :P_CDEMPRESA", "   AND CDTIPOOPERBEM = :P_CDTIPOOPERBEM", "   AND IDTIPOOPERBEM = '03'",
             " ORDER BY CDTIPOOPERBEM"};
    Str(q, "CDTIPOOPERBEM", 6, "Código", 12);
    Str(q, "NMTIPOOPERBEM", 50, "Nome", 50);
    Str(q, "IDTIPOOPERBEM", 2, "Tipo de Operação", 0, false);
}

void DeclareQryPesqMotivoOper(orv::TADOIBQuery& q) {
    q.SQL = {"SELECT CDMOTIVOOPER, NMMOTIVOOPER", "  FROM MOTIVOOPER", " WHERE CDEMPRESA = :P_CDEMPRESA",
             "   AND CDTIPOOPERBEM = :P_CDTIPOOPERBEM", " ORDER BY CDMOTIVOOPER"};
    Str(q, "CDMOTIVOOPER", 6, "Código", 10);
    Str(q, "NMMOTIVOOPER", 50, "Nome", 55);
}

void DeclareQryVdMotivoOper(orv::TADOIBQuery& q) {
    q.SQL = {"SELECT CDMOTIVOOPER, NMMOTIVOOPER", "  FROM MOTIVOOPER", " WHERE CDEMPRESA = :P_CDEMPRESA",
             "   AND CDTIPOOPERBEM = :P_CDTIPOOPERBEM", "   AND CDMOTIVOOPER = :P_CDMOTIVOOPER",
             " ORDER BY CDMOTIVOOPER"};
    Str(q, "CDMOTIVOOPER", 6);
    Str(q, "NMMOTIVOOPER", 50);
}

void DeclareQryPesqHistPadr(orv::TADOIBQuery& q) {
    q.SQL = {"SELECT CDHISTPADR, DSHISTPADR", "  FROM HISTPADR",
             " WHERE ((CDHISTPADR = :P_CDHISTPADR) OR (:P_TCDHISTPADR = 'T'))", " ORDER BY CDHISTPADR"};
    Str(q, "CDHISTPADR", 4, "Histórico padrão");
    Str(q, "DSHISTPADR", 60, "Descrição");
}

void DeclareQryContCtbl(orv::TADOIBQuery& q) {
    q.SQL = {"SELECT CDCONTCTBL", "  FROM CONTCTBL", " WHERE (CDCONTCTBL = :P_CDCONTCTBL)", " ORDER BY CDCONTCTBL"};
    Str(q, "CDCONTCTBL", 20);
}

}  // namespace zmt02600
