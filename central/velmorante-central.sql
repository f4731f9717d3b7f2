-- The central archive of Velmorante on PostgreSQL: every station's downloads with their raw texts,
-- stations, alarms with their events (acknowledgements among them), calibrations and audit trails,
-- pushed by the stations from their own archives. Run once by the database's owner, in the
-- database meant for it (velmorante-cli central init URL runs this same text). Running it again
-- changes nothing.
--
-- Rows are only ever added. Each has a global identity, so that a push repeated after a cut adds
-- nothing twice: the archive it came from (its random identity, in sources) and its number there,
-- which never changes (a copied archive file takes a new identity for its own rows, and a push that
-- finds another row under a row's identity is refused). A download is also found by (station,
-- sha256, received_at), and an audit entry by its entry hash; each archive's audit entries keep
-- their order (seq), so that every station's chain can be checked on the server. Two downloads of
-- the same text in the same second stay two, as they are in the station's archive.
--
-- Roles: velmorante_station may read and insert, never update or delete; velmorante_reader may
-- only read. Give each station's login role velmorante_station (GRANT velmorante_station TO
-- station_a) and each reader's velmorante_reader.

CREATE TABLE IF NOT EXISTS central_schema (
  version integer NOT NULL
);

CREATE TABLE IF NOT EXISTS sources (
  id text PRIMARY KEY CHECK (length(id) = 32),
  host text NOT NULL,
  first_push timestamptz NOT NULL DEFAULT now()
);

CREATE TABLE IF NOT EXISTS stations (
  name text PRIMARY KEY CHECK (length(name) BETWEEN 1 AND 64),
  port text NOT NULL,
  reset_at integer NOT NULL,
  download_every_s integer NOT NULL,
  created_at text NOT NULL,
  source text NOT NULL REFERENCES sources(id)
);

CREATE TABLE IF NOT EXISTS downloads (
  id bigserial PRIMARY KEY,
  station text NOT NULL DEFAULT '',
  sha256 text NOT NULL CHECK (length(sha256) = 64),
  received_at text NOT NULL,
  source text NOT NULL REFERENCES sources(id),
  port text NOT NULL,
  program text NOT NULL,
  kind text NOT NULL CHECK (kind IN ('normal', 'full')),
  reason text NOT NULL,
  size bigint NOT NULL,
  start text,
  rate_minutes integer,
  samples bigint NOT NULL,
  decode_error text NOT NULL,
  logger_clock text,
  clock_drift_s bigint,
  time_zone text,
  local_id bigint NOT NULL,
  pushed_at timestamptz NOT NULL DEFAULT now(),
  UNIQUE (source, local_id)
);
CREATE INDEX IF NOT EXISTS downloads_by_station ON downloads (station, start);
CREATE INDEX IF NOT EXISTS downloads_by_identity ON downloads (station, sha256, received_at);

CREATE TABLE IF NOT EXISTS download_texts (
  download_id bigint PRIMARY KEY REFERENCES downloads(id),
  raw bytea NOT NULL
);

CREATE TABLE IF NOT EXISTS alarms (
  id bigserial PRIMARY KEY,
  station text NOT NULL,
  kind text NOT NULL,
  level text NOT NULL CHECK (level IN ('warning', 'alarm')),
  limit_value double precision,
  started_at text NOT NULL,
  ended_at text,
  samples bigint,
  minutes double precision,
  peak double precision,
  rule text NOT NULL,
  live integer NOT NULL,
  raised_at text NOT NULL,
  source text NOT NULL REFERENCES sources(id),
  local_id bigint NOT NULL,
  UNIQUE (source, local_id)
);

CREATE TABLE IF NOT EXISTS alarm_events (
  id bigserial PRIMARY KEY,
  alarm_id bigint NOT NULL REFERENCES alarms(id),
  event text NOT NULL CHECK (event IN ('raised', 'cleared', 'acknowledged')),
  at text NOT NULL,
  payload text NOT NULL,
  source text NOT NULL REFERENCES sources(id),
  local_id bigint NOT NULL,
  UNIQUE (source, local_id)
);

CREATE TABLE IF NOT EXISTS calibrations (
  id bigserial PRIMARY KEY,
  station text NOT NULL,
  t_offset double precision NOT NULL,
  t_gain double precision NOT NULL,
  rh_offset double precision NOT NULL,
  rh_gain double precision NOT NULL,
  certificate text NOT NULL,
  laboratory text NOT NULL,
  certificate_date text NOT NULL,
  applies_from text NOT NULL,
  due text NOT NULL,
  set_at text NOT NULL,
  source text NOT NULL REFERENCES sources(id),
  local_id bigint NOT NULL,
  UNIQUE (source, local_id)
);

CREATE TABLE IF NOT EXISTS audit_entries (
  id bigserial PRIMARY KEY,
  source text NOT NULL REFERENCES sources(id),
  seq bigint NOT NULL,
  at_utc text NOT NULL,
  utc_offset text NOT NULL,
  "user" text NOT NULL,
  host text NOT NULL,
  program text NOT NULL,
  version text NOT NULL,
  action text NOT NULL,
  station text,
  object text NOT NULL,
  old_value text,
  new_value text,
  reason text NOT NULL,
  content_sha256 text NOT NULL CHECK (length(content_sha256) = 64),
  previous_sha256 text NOT NULL CHECK (length(previous_sha256) = 64),
  entry_sha256 text NOT NULL UNIQUE CHECK (length(entry_sha256) = 64),
  UNIQUE (source, seq)
);

INSERT INTO central_schema (version) SELECT 1 WHERE NOT EXISTS (SELECT 1 FROM central_schema);

DO $roles$
BEGIN
  IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'velmorante_station') THEN
    CREATE ROLE velmorante_station LOGIN;
  END IF;
  IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'velmorante_reader') THEN
    CREATE ROLE velmorante_reader LOGIN;
  END IF;
END
$roles$;

REVOKE ALL ON central_schema, sources, stations, downloads, download_texts, alarms, alarm_events,
  calibrations, audit_entries FROM PUBLIC, velmorante_station, velmorante_reader;
GRANT SELECT, INSERT ON sources, stations, downloads, download_texts, alarms, alarm_events,
  calibrations, audit_entries TO velmorante_station;
GRANT SELECT ON central_schema TO velmorante_station;
GRANT USAGE ON SEQUENCE downloads_id_seq, alarms_id_seq, alarm_events_id_seq, calibrations_id_seq,
  audit_entries_id_seq TO velmorante_station;
GRANT SELECT ON central_schema, sources, stations, downloads, download_texts, alarms, alarm_events,
  calibrations, audit_entries TO velmorante_reader;
