-- The ward schema, version 1: the patients of a ward team and their charts, shared by the team's
-- devices. `ovelin-cli server init` runs this file in one transaction on an empty database;
-- docs/sync.md describes every table.
--
-- Every synchronised table has the same first columns:
--   id            the row's server id; on a device, the record's desktop identifier
--   version       grows with every change of the row (one counter for the whole ward)
--   changed_by    the device that made the last change (its key pin), or 'sql:ROLE' for a change
--                 made by hand
--   changed_at    when the server took the last change
--   access_state  what the server grants the devices: 1 read-only, 2 read/write
--   deleted       a tombstone: a deleted row stays, so that every device learns of the deletion
--   origin_device, origin_record   the device and record id that first sent the row, so that a
--                 record sent again after an interrupted synchronisation is not added twice

CREATE SCHEMA ward;

CREATE TABLE ward.schema_info (
  version integer NOT NULL,
  ward_id uuid NOT NULL DEFAULT gen_random_uuid(),
  created_at timestamptz NOT NULL DEFAULT now()
);
INSERT INTO ward.schema_info (version) VALUES (1);

-- The change counter: a device asks for the rows whose version is past the last one it saw.
CREATE SEQUENCE ward.change_counter;
-- Server ids fit the devices' 32-bit desktop identifiers.
CREATE SEQUENCE ward.record_ids AS integer;

-- Roles: a device signs in as a role of its own that is a member of ward_device; the ward's
-- administrators are members of ward_admin and may change read-only rows and access states.
DO $$
BEGIN
  IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'ward_device') THEN
    CREATE ROLE ward_device NOLOGIN;
  END IF;
  IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'ward_admin') THEN
    CREATE ROLE ward_admin NOLOGIN;
  END IF;
END
$$;

CREATE TABLE ward.devices (
  device text PRIMARY KEY,                  -- the device's key pin (docs/device-identity.md)
  name text NOT NULL,
  db_role name NOT NULL DEFAULT session_user,
  first_sync timestamptz NOT NULL DEFAULT now(),
  last_sync timestamptz NOT NULL DEFAULT now()
);

CREATE FUNCTION ward.is_admin() RETURNS boolean LANGUAGE sql STABLE AS $$
  SELECT pg_has_role(session_user, 'ward_admin', 'MEMBER')
$$;

-- Numbers and stamps every change, in the order the changes commit: the lock is held until the
-- transaction ends, so a device that reads "everything past version N" never misses a change that
-- took a lower number and committed later. Only an administrator may change a read-only row or an
-- access state.
CREATE FUNCTION ward.stamp_change() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  PERFORM pg_advisory_xact_lock(5262001);
  IF NOT ward.is_admin() THEN
    IF TG_OP = 'INSERT' THEN
      NEW.access_state := 2;
    ELSE
      IF OLD.access_state = 1 THEN
        RAISE EXCEPTION 'row % of ward.% is read-only', OLD.id, TG_TABLE_NAME
          USING ERRCODE = 'insufficient_privilege';
      END IF;
      IF NEW.access_state IS DISTINCT FROM OLD.access_state THEN
        RAISE EXCEPTION 'only a ward administrator may change the access state of row % of ward.%',
          OLD.id, TG_TABLE_NAME USING ERRCODE = 'insufficient_privilege';
      END IF;
    END IF;
  END IF;
  NEW.version := nextval('ward.change_counter');
  NEW.changed_at := now();
  NEW.changed_by := coalesce(nullif(current_setting('ward.device', true), ''),
                             'sql:' || session_user);
  RETURN NEW;
END
$$;

-- A chart row of a read-only patient is read-only as well.
CREATE FUNCTION ward.check_patient_writable() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  IF NOT ward.is_admin() AND
     EXISTS (SELECT 1 FROM ward.patients WHERE id = NEW.patient_id AND access_state = 1) THEN
    RAISE EXCEPTION 'patient % is read-only', NEW.patient_id
      USING ERRCODE = 'insufficient_privilege';
  END IF;
  RETURN NEW;
END
$$;

CREATE TABLE ward.patients (
  id integer PRIMARY KEY DEFAULT nextval('ward.record_ids'),
  version bigint NOT NULL,
  changed_by text NOT NULL,
  changed_at timestamptz NOT NULL,
  access_state smallint NOT NULL DEFAULT 2 CHECK (access_state IN (1, 2)),
  deleted boolean NOT NULL DEFAULT false,
  origin_device text,
  origin_record bigint,
  UNIQUE (origin_device, origin_record),
  name text NOT NULL,                       -- "Last, First": the patient's key on every device
  first_name text NOT NULL,
  last_name text NOT NULL,
  mr_number text NOT NULL,
  doctor text NOT NULL,
  age_value text NOT NULL,
  age_unit text NOT NULL,
  race text NOT NULL,
  sex text NOT NULL,
  code_status text NOT NULL,
  room text NOT NULL,
  diagnosis text NOT NULL,
  allergies text NOT NULL,
  problems text NOT NULL,
  patient_type text NOT NULL,               -- the category list: "Hospital", "Clinic", ...
  todo text NOT NULL,
  admit_date timestamp,
  date_of_birth timestamp,
  time_stamp timestamp
);
CREATE INDEX patients_name ON ward.patients (lower(name)) WHERE NOT deleted;

-- The six chart kinds: each row belongs to one patient.
CREATE TABLE ward.medications (
  id integer PRIMARY KEY DEFAULT nextval('ward.record_ids'),
  version bigint NOT NULL,
  changed_by text NOT NULL,
  changed_at timestamptz NOT NULL,
  access_state smallint NOT NULL DEFAULT 2 CHECK (access_state IN (1, 2)),
  deleted boolean NOT NULL DEFAULT false,
  origin_device text,
  origin_record bigint,
  UNIQUE (origin_device, origin_record),
  patient_id integer NOT NULL REFERENCES ward.patients,
  drug text NOT NULL,
  dose text NOT NULL,
  route text NOT NULL,
  frequency text NOT NULL,
  track_days text NOT NULL,
  days text NOT NULL,
  dispensed text NOT NULL,
  refills text NOT NULL,
  start_date timestamp,
  time_stamp timestamp
);

CREATE TABLE ward.vital_signs (
  id integer PRIMARY KEY DEFAULT nextval('ward.record_ids'),
  version bigint NOT NULL,
  changed_by text NOT NULL,
  changed_at timestamptz NOT NULL,
  access_state smallint NOT NULL DEFAULT 2 CHECK (access_state IN (1, 2)),
  deleted boolean NOT NULL DEFAULT false,
  origin_device text,
  origin_record bigint,
  UNIQUE (origin_device, origin_record),
  patient_id integer NOT NULL REFERENCES ward.patients,
  packed_values text NOT NULL,              -- name, line feed, value, line feed, ...
  taken_at timestamp,
  time_stamp timestamp
);

CREATE TABLE ward.lab_results (
  id integer PRIMARY KEY DEFAULT nextval('ward.record_ids'),
  version bigint NOT NULL,
  changed_by text NOT NULL,
  changed_at timestamptz NOT NULL,
  access_state smallint NOT NULL DEFAULT 2 CHECK (access_state IN (1, 2)),
  deleted boolean NOT NULL DEFAULT false,
  origin_device text,
  origin_record bigint,
  UNIQUE (origin_device, origin_record),
  patient_id integer NOT NULL REFERENCES ward.patients,
  lab_group text NOT NULL,
  packed_values text NOT NULL,
  taken_at timestamp,
  time_stamp timestamp
);

CREATE TABLE ward.tests (
  id integer PRIMARY KEY DEFAULT nextval('ward.record_ids'),
  version bigint NOT NULL,
  changed_by text NOT NULL,
  changed_at timestamptz NOT NULL,
  access_state smallint NOT NULL DEFAULT 2 CHECK (access_state IN (1, 2)),
  deleted boolean NOT NULL DEFAULT false,
  origin_device text,
  origin_record bigint,
  UNIQUE (origin_device, origin_record),
  patient_id integer NOT NULL REFERENCES ward.patients,
  test_name text NOT NULL,
  result text NOT NULL,
  taken_at timestamp,
  time_stamp timestamp
);

CREATE TABLE ward.notes (
  id integer PRIMARY KEY DEFAULT nextval('ward.record_ids'),
  version bigint NOT NULL,
  changed_by text NOT NULL,
  changed_at timestamptz NOT NULL,
  access_state smallint NOT NULL DEFAULT 2 CHECK (access_state IN (1, 2)),
  deleted boolean NOT NULL DEFAULT false,
  origin_device text,
  origin_record bigint,
  UNIQUE (origin_device, origin_record),
  patient_id integer NOT NULL REFERENCES ward.patients,
  note_text text NOT NULL,
  subjective text NOT NULL,
  objective text NOT NULL,
  assessment_plan text NOT NULL,
  taken_at timestamp,
  time_stamp timestamp
);

CREATE TABLE ward.todos (
  id integer PRIMARY KEY DEFAULT nextval('ward.record_ids'),
  version bigint NOT NULL,
  changed_by text NOT NULL,
  changed_at timestamptz NOT NULL,
  access_state smallint NOT NULL DEFAULT 2 CHECK (access_state IN (1, 2)),
  deleted boolean NOT NULL DEFAULT false,
  origin_device text,
  origin_record bigint,
  UNIQUE (origin_device, origin_record),
  patient_id integer NOT NULL REFERENCES ward.patients,
  item_text text NOT NULL,
  note text NOT NULL,
  time_stamp text NOT NULL,                 -- as the device keeps it
  flags bigint NOT NULL CHECK (flags BETWEEN 0 AND 4294967295),
  priority smallint GENERATED ALWAYS AS (flags & 127) STORED,
  done boolean GENERATED ALWAYS AS ((flags & 128) <> 0) STORED
);

-- The ward-wide lists.
CREATE TABLE ward.categories (
  id integer PRIMARY KEY DEFAULT nextval('ward.record_ids'),
  version bigint NOT NULL,
  changed_by text NOT NULL,
  changed_at timestamptz NOT NULL,
  access_state smallint NOT NULL DEFAULT 2 CHECK (access_state IN (1, 2)),
  deleted boolean NOT NULL DEFAULT false,
  origin_device text,
  origin_record bigint,
  UNIQUE (origin_device, origin_record),
  list integer NOT NULL CHECK (list BETWEEN 0 AND 65535),
  entry text NOT NULL
);

CREATE TABLE ward.auto_text_lists (
  id integer PRIMARY KEY DEFAULT nextval('ward.record_ids'),
  version bigint NOT NULL,
  changed_by text NOT NULL,
  changed_at timestamptz NOT NULL,
  access_state smallint NOT NULL DEFAULT 2 CHECK (access_state IN (1, 2)),
  deleted boolean NOT NULL DEFAULT false,
  origin_device text,
  origin_record bigint,
  UNIQUE (origin_device, origin_record),
  list text NOT NULL,
  content text NOT NULL
);

CREATE TABLE ward.favorite_medications (
  id integer PRIMARY KEY DEFAULT nextval('ward.record_ids'),
  version bigint NOT NULL,
  changed_by text NOT NULL,
  changed_at timestamptz NOT NULL,
  access_state smallint NOT NULL DEFAULT 2 CHECK (access_state IN (1, 2)),
  deleted boolean NOT NULL DEFAULT false,
  origin_device text,
  origin_record bigint,
  UNIQUE (origin_device, origin_record),
  drug text NOT NULL,
  dose text NOT NULL,
  route text NOT NULL,
  frequency text NOT NULL
);

-- A record changed on two sides: the version that won stays in its table, the one that lost is
-- kept here with both devices and times.
CREATE TABLE ward.conflicts (
  id bigint PRIMARY KEY GENERATED ALWAYS AS IDENTITY,
  noted_at timestamptz NOT NULL DEFAULT now(),
  kind text NOT NULL,                       -- the table
  record_id integer,                        -- the row that won; NULL when nothing was merged
  patient text,
  reason text NOT NULL,
  kept_device text,                         -- the winning version: its device and time
  kept_at timestamptz,
  lost_device text NOT NULL,                -- the losing version: its device, time and fields
  lost_at timestamptz NOT NULL,
  lost_version jsonb NOT NULL
);

DO $$
DECLARE
  t text;
BEGIN
  FOREACH t IN ARRAY ARRAY['patients', 'medications', 'vital_signs', 'lab_results', 'tests',
                           'notes', 'todos', 'categories', 'auto_text_lists',
                           'favorite_medications'] LOOP
    EXECUTE format('CREATE TRIGGER stamp_change BEFORE INSERT OR UPDATE ON ward.%I'
                   ' FOR EACH ROW EXECUTE FUNCTION ward.stamp_change()', t);
    EXECUTE format('CREATE INDEX %I ON ward.%I (version)', t || '_version', t);
    EXECUTE format('GRANT SELECT, INSERT, UPDATE ON ward.%I TO ward_device', t);
    EXECUTE format('GRANT ALL ON ward.%I TO ward_admin', t);
    IF t NOT IN ('patients', 'categories', 'auto_text_lists', 'favorite_medications') THEN
      EXECUTE format('CREATE TRIGGER check_patient_writable BEFORE INSERT OR UPDATE ON ward.%I'
                     ' FOR EACH ROW EXECUTE FUNCTION ward.check_patient_writable()', t);
      EXECUTE format('CREATE INDEX %I ON ward.%I (patient_id)', t || '_patient', t);
    END IF;
  END LOOP;
END
$$;

GRANT USAGE ON SCHEMA ward TO ward_device, ward_admin;
GRANT SELECT ON ward.schema_info TO ward_device;
GRANT ALL ON ward.schema_info TO ward_admin;
GRANT USAGE ON SEQUENCE ward.change_counter, ward.record_ids TO ward_device, ward_admin;
GRANT SELECT ON SEQUENCE ward.change_counter TO ward_device, ward_admin;
GRANT SELECT, INSERT, UPDATE ON ward.devices TO ward_device;
GRANT ALL ON ward.devices TO ward_admin;
GRANT SELECT, INSERT ON ward.conflicts TO ward_device;
GRANT ALL ON ward.conflicts TO ward_admin;
