-- Stand-in for the ERP's Firebird database: every table and column the
-- commission monitor reads or writes, with the ERP's own types. The ERP's
-- real tables carry more columns; the monitor never names them.
--
-- Loader rules: each statement ends with ';' at the end of a line, and
-- comments are whole lines starting with '--'. The database itself is
-- created by the loader (default character set WIN1252).
--
-- There are deliberately no foreign keys: the ERP tolerates invoices whose
-- nature of operation, product or customer row is missing, and the tests
-- build such documents.

-- Commission entries. The column order is the order of the monitor's
-- insert statement.
create table MOV_COMISSAO (
  ID_COMISSAO integer not null primary key,
  TP_REGISTRO char(1),
  ID_NF_COMERCIO integer,
  ID_FINANCEIRO integer,
  ID_ACERTO_COMISSAO integer,
  ID_EMPRESA integer,
  ID_VENDEDOR integer,
  DS_SERIE varchar(3),
  NO_DOCUMENTO varchar(10),
  DT_EMISSAO date,
  ID_CLIENTE integer,
  NM_CLIENTE varchar(50),
  VL_OPERACAO numeric(18,2),
  VL_BASE_COMISSAO numeric(18,2),
  PO_COMISSAO numeric(9,2),
  VL_COMISSAO numeric(18,2),
  ST_IRRF char(1),
  DT_CREDITO date,
  ST_RECEBIMENTO char(1),
  ST_ENTREGA char(1),
  ID_COMISSAO_GERADA integer,
  ST_CANCELADA char(1),
  ST_PAGAR char(1),
  ST_BLOQUEIO_1 char(1),
  ST_ESTORNO_1 char(1)
);

create asc index IX_MOV_COMISSAO_NF on MOV_COMISSAO (ID_NF_COMERCIO);
create asc index IX_MOV_COMISSAO_FIN on MOV_COMISSAO (ID_FINANCEIRO);
create asc index IX_MOV_COMISSAO_ACERTO on MOV_COMISSAO (ID_ACERTO_COMISSAO);
create asc index IX_MOV_COMISSAO_EMISSAO on MOV_COMISSAO (DT_EMISSAO);
create asc index IX_MOV_COMISSAO_GERADA on MOV_COMISSAO (ID_COMISSAO_GERADA);

-- Commission settlements (manual credits 'A' and deductions 'D').
create table MOV_ACERTO_COMISSAO (
  ID_ACERTO_COMISSAO integer not null primary key,
  DT_PAGAMENTO date not null,
  ID_VENDEDOR integer not null,
  VL_ACERTO numeric(18,2) not null,
  TP_ACERTO char(1) not null,
  ST_IRRF char(1) not null,
  DS_ACERTO varchar(50) not null,
  ID_EMPRESA integer not null,
  ID_COMISSAO_GERADA integer,
  ST_CALC_COMISSAO char(1),
  ID_COMISSAO_ESTORNADA integer
);

create asc index IX_MOV_ACERTO_COMISSAO_CALC on MOV_ACERTO_COMISSAO (ST_CALC_COMISSAO);

-- Sales invoices (header).
create table MOV_NF_COMERCIO (
  ID_NF_COMERCIO integer not null primary key,
  ID_EMPRESA integer,
  DS_SERIE_NF varchar(3),
  NR_NOTA_FISCAL integer,
  DT_EMISSAO date,
  ID_DESTINATARIO_REMETENTE integer,
  ID_NAT_OPERACAO integer,
  ID_SITUACAO_ORCAMENTO integer,
  ID_PLANO_PAGTO integer,
  ID_ST_NF integer,
  ID_VENDEDOR integer,
  ID_VENDEDOR2 integer,
  ID_VENDEDOR3 integer,
  ID_VENDEDOR4 integer,
  ID_VENDEDOR5 integer,
  PO_COMISSAO numeric(9,2),
  PO_COMISSAO2 numeric(9,2),
  PO_COMISSAO3 numeric(9,2),
  PO_COMISSAO4 numeric(9,2),
  PO_COMISSAO5 numeric(9,2),
  ST_COMISSAO_AD2 char(1),
  ST_COMISSAO_AD3 char(1),
  ST_COMISSAO_AD4 char(1),
  ST_COMISSAO_AD5 char(1),
  ST_CREDITO_FAT char(1),
  ST_CREDITO_FAT2 char(1),
  ST_CREDITO_FAT3 char(1),
  ST_CREDITO_FAT4 char(1),
  ST_CREDITO_FAT5 char(1),
  PO_CREDITO_FAT numeric(9,2),
  PO_CREDITO_FAT2 numeric(9,2),
  PO_CREDITO_FAT3 numeric(9,2),
  PO_CREDITO_FAT4 numeric(9,2),
  PO_CREDITO_FAT5 numeric(9,2),
  VL_TOTAL_NF numeric(15,2),
  VL_PRODUTOS numeric(15,2),
  VL_DESCONTO numeric(15,2),
  VL_SERVICO numeric(15,2),
  VL_FINANCEIRO numeric(15,2),
  VL_FRETE numeric(15,2),
  VL_RESULTADO_VENDA numeric(15,2),
  TP_BASE_COMISSAO_OUTROS char(1),
  ST_DEVOLVIDO char(1),
  ST_INCLUIR_FRETE_PARC char(1),
  ST_ESTORNAR_COMISSAO char(1),
  ST_CALC_COMISSAO char(1),
  VL_BASE_COMISSAO numeric(15,2),
  VL_COMISSAO numeric(15,2),
  VL_PO_PRODUTO_TOTAL numeric(15,2),
  ST_CALC_ESTORNO char(1),
  PO_COMISSAO_ESTORNADA numeric(9,2),
  ID_COMISSAO_ESTORNADA integer
);

create asc index IX_MOV_NF_COMERCIO_CALC on MOV_NF_COMERCIO (ST_CALC_COMISSAO);
create asc index IX_MOV_NF_COMERCIO_ESTORNO on MOV_NF_COMERCIO (ST_CALC_ESTORNO);
create asc index IX_MOV_NF_COMERCIO_EMISSAO on MOV_NF_COMERCIO (DT_EMISSAO);
create asc index IX_MOV_NF_COMERCIO_NAT on MOV_NF_COMERCIO (ID_NAT_OPERACAO);

-- Sales invoice items.
create table MOV_NF_COMERCIO_ITEM (
  ID_NF_COMERCIO_ITEM integer not null primary key,
  ID_NF_COMERCIO integer,
  NO_ITEM integer,
  ID_PRODUTO integer,
  QT_PRODUTO numeric(15,4),
  VL_UNITARIO numeric(15,4),
  VL_TOTAL numeric(15,2),
  VL_FRETE_UNIT numeric(15,4),
  ST_FRETE_INCLUSO char(1),
  VL_OUTRAS_AJUSTADO numeric(15,2),
  VL_FRETE_AJUSTADO numeric(15,2),
  VL_SEGURO_AJUSTADO numeric(15,2),
  VL_IPI numeric(15,2),
  VL_ICMS_SUBST numeric(15,2),
  VL_UNIT_REDUCAO_COMISSAO numeric(15,4),
  PO_COMISSAO numeric(9,2)
);

create asc index IX_MOV_NF_COMERCIO_ITEM_NF on MOV_NF_COMERCIO_ITEM (ID_NF_COMERCIO);

-- Receivables.
create table MOV_FINANCEIRO (
  ID_FINANCEIRO integer not null primary key,
  ID_NF_COMERCIO integer,
  NO_DOCUMENTO varchar(20),
  VL_DOCUMENTO numeric(15,2),
  DT_VENCTO date,
  DT_BAIXA date,
  VL_DESCONTO numeric(15,2),
  VL_OUTRAS_REDUCOES numeric(15,2),
  VL_ABATIMENTO numeric(15,2),
  ID_TP_MOV_FINANC integer,
  ST_CALC_COMISSAO char(1),
  ST_ESTORNAR_COMISSAO char(1),
  ID_COMISSAO_GERADA integer
);

create asc index IX_MOV_FINANCEIRO_NF on MOV_FINANCEIRO (ID_NF_COMERCIO);
create asc index IX_MOV_FINANCEIRO_CALC on MOV_FINANCEIRO (ST_CALC_COMISSAO);

-- Natures of operation.
create table TAB_NAT_OPERACAO (
  ID_NAT_OPERACAO integer not null primary key,
  ID_SUGERIR_COMISSAO integer,
  ST_COMISSAO_PAGAR char(1),
  ST_VERIFICA_FASE char(1)
);

-- The parameter row (ID_PARAMETRO = 1). SCRIPT_RODADO and VERSAO_ERP are
-- not here: the monitor's start-up upgrade adds them.
create table TAB_PARAMETRO (
  ID_PARAMETRO integer not null primary key,
  HR_ATUALIZAR_COMISSAO integer,
  ST_MONITOR_COMISSAO_ATIVO char(1),
  ST_COMISSAO_FRETE_DESPESA char(1),
  ST_COMISSAO_IPI_ICMSST char(1)
);

-- Products.
create table CAD_PRODUTO (
  ID_PRODUTO integer not null primary key,
  ID_FABRICA integer
);

-- People (customers).
create table CAD_PESSOA (
  ID_PESSOA integer not null primary key,
  NM_PESQUISA varchar(60)
);

-- A seller's rate per company and manufacturer (null manufacturer: any).
create table TAB_COMISSAO_POR_VENDEDOR (
  ID_COMISSAO_POR_VENDEDOR integer generated by default as identity primary key,
  ID_EMPRESA integer,
  ID_VENDEDOR integer,
  ID_FABRICANTE integer,
  PO_COMISSAO numeric(9,2)
);

create asc index IX_TAB_COMISSAO_POR_VENDEDOR on TAB_COMISSAO_POR_VENDEDOR (ID_EMPRESA, ID_VENDEDOR);

-- Order situations (commercial phase of a sale).
create table FIX_SITUACAO_ORCAMENTO (
  ID_SITUACAO_ORCAMENTO integer not null primary key,
  ST_PAGAR_COMISSAO char(1)
);

-- Payment plans.
create table TAB_PLANO_PAGTO (
  ID_PLANO_PAGTO integer not null primary key,
  QT_DIAS_ESTORNA_COMISSAO integer
);

-- The ERP's update-script log.
create table MOV_LOG_ATUALIZACAO (
  NO_LOG_ATUALIZACAO integer
);

-- The ERP's event log.
create table MOV_LOG_CONTROLE (
  ID_LOG_CONTROLE integer generated by default as identity primary key,
  ID_LOG_EVENTO integer,
  DH_LOG_EVENTO timestamp,
  ID_LOG_USUARIO integer,
  ID_LOG_REGISTRO integer,
  DS_LOG_OBSERVACAO varchar(200)
);
